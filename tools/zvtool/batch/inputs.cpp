#include "inputs.h"

#include <zvdll.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace zvtool {

bool IsOpenableImageName(const std::string& name)
{
    const int32_t type = ZV_GetExtType(name.c_str());
    if (type != IMAGETYPE_UNKNOWN && type != IMAGETYPE_ICO) {
        return true;
    }
    return ZV_IsPCD(name.c_str()) != 0 || ZV_IsRAW(name.c_str()) != 0;
}

InputList ExpandInputs(const std::vector<std::string>& inputs)
{
    InputList list;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            std::vector<std::string> found;
            for (const auto& entry : fs::directory_iterator(input, error)) {
                if (entry.is_regular_file(error) && IsOpenableImageName(entry.path().filename().string())) {
                    found.push_back(entry.path().string());
                }
            }
            std::sort(found.begin(), found.end());
            list.files.insert(list.files.end(), found.begin(), found.end());
        } else if (fs::exists(input, error)) {
            list.files.push_back(input);
        } else {
            list.missing.push_back(input);
        }
    }
    return list;
}

} // namespace zvtool
