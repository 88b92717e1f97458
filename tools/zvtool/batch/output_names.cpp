#include "output_names.h"

#include <zvdll.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <limits.h>
#include <vector>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace zvtool {
namespace {

std::string ToLibraryPath(const std::string& posixPath)
{
    std::string path = posixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// The folder of the running program, asked of the system; "." when it won't say.
std::string InstallFolder()
{
    char self[PATH_MAX];
#if defined(_WIN32)
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self) {
        return ".";
    }
#else
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        return ".";
    }
#endif
    return fs::path(std::string(self, static_cast<size_t>(length))).parent_path().string();
}

// TMPDIR or /tmp on POSIX, TMP or TEMP on Windows.
std::string TempFolder()
{
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    return error ? "." : temp.string();
}

// The library creates the levels that follow backslashes below a first level that must exist.
// Give it the deepest existing folder as that first level and the missing ones after it.
std::string AsCreatableFolder(const fs::path& folder)
{
    std::vector<std::string> missing;  // deepest first
    fs::path existing = folder;
    std::error_code error;
    while (!existing.empty() && !fs::is_directory(existing, error) && existing.has_filename()) {
        missing.push_back(existing.filename().string());
        existing = existing.parent_path();
    }
    std::string result = existing.empty() ? std::string(".") : existing.string();
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        result += "\\" + *level;
    }
    return result;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// "C:" or "C:name": relative to a drive, which is no place below the output folder.
bool StartsWithDriveLetter(const std::string& text)
{
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) != 0 && text[1] == ':';
}

std::vector<std::string> SplitAtSeparators(const std::string& text)
{
    std::vector<std::string> levels;
    std::string level;
    for (const char c : text) {
        if (IsSeparator(c)) {
            levels.push_back(level);
            level.clear();
        } else {
            level += c;
        }
    }
    levels.push_back(level);
    return levels;
}

} // namespace

bool ParseCounter(const std::string& text, Counters* counters, std::string* error)
{
    if (text.size() < 3 || text[1] != '=') {
        *error = "expected LETTER=NUMBER, e.g. A=1";
        return false;
    }
    const int letter = std::toupper(static_cast<unsigned char>(text[0])) - 'A';
    if (letter < 0 || letter > 9) {
        *error = "counter letters run from A to J";
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str() + 2, &end, 10);
    if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        *error = "not a 32-bit number: " + text.substr(2);
        return false;
    }
    counters->values[static_cast<size_t>(letter)] = static_cast<int32_t>(value);
    return true;
}

std::optional<Size> ParseSize(const std::string& text)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 >= text.size()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const unsigned long width = std::strtoul(text.c_str(), &end, 10);
    if (end != text.c_str() + x) {
        return std::nullopt;
    }
    const unsigned long height = std::strtoul(text.c_str() + x + 1, &end, 10);
    if (*end != '\0' || width == 0 || height == 0 || width > 65535 || height > 65535) {
        return std::nullopt;
    }
    return Size{static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
}

std::string ExpandName(const std::string& nameTemplate, const std::string& dateFormat,
                       const std::string& sourceFile, uint32_t width, uint32_t height,
                       const Counters& counters, const std::string& date)
{
    const std::string libraryPath = ToLibraryPath(sourceFile);
    const zv::CString folder = ZV_GetFolderPathPlusBS(libraryPath.c_str());
    const zv::CString name = ZV_GetFileName(libraryPath.c_str());
    const zv::CString title = ZV_GetFileTitle(libraryPath.c_str());
    const zv::CString expanded = zv::CString::Adopt(
        ZvParseLineAt(date.empty() ? nullptr : date.c_str(), nameTemplate.c_str(), dateFormat.c_str(), folder, name,
                      title, static_cast<int32_t>(width), static_cast<int32_t>(height), counters.values.data()));
    return expanded.GetString();
}

std::optional<PlaceInFolder> SplitOutputName(const std::string& expanded, std::string* error)
{
    const std::string quoted = "\"" + expanded + "\"";
    std::vector<std::string> levels = SplitAtSeparators(expanded);
    const bool leaves = (!expanded.empty() && IsSeparator(expanded.front())) || StartsWithDriveLetter(expanded) ||
                        std::find(levels.begin(), levels.end(), "..") != levels.end();
    if (leaves) {
        *error = "the template gives a path outside the output folder: " + quoted;
        return std::nullopt;
    }
    PlaceInFolder place;
    place.fileName = levels.back();
    levels.pop_back();
    if (place.fileName.empty() || place.fileName == ".") {
        *error = "the template gives no file name: " + quoted;
        return std::nullopt;
    }
    for (const std::string& level : levels) {
        if (!level.empty() && level != ".") {
            place.subfolders.push_back(level);
        }
    }
    return place;
}

bool CreateSubfolders(const std::string& folder, const std::vector<std::string>& subfolders)
{
    if (subfolders.empty()) {
        return true;
    }
    // The library creates every level after a backslash and never the first, which is the
    // output folder here; other workers creating the same levels at the same time are fine.
    std::string path = folder;
    for (const std::string& level : subfolders) {
        path += "\\" + level;
    }
    return ZV_CreateFolder(path.c_str(), 0) != 0;
}

std::string WithExtension(const std::string& name, const std::string& extension)
{
    const zv::CString current = ZV_GetFileExt(name.c_str());
    if (current.CompareNoCase(extension.c_str()) == 0) {
        return name;
    }
    return name + extension;
}

std::optional<std::string> PrepareOutputFolder(const std::string& outputFolder, std::string* error)
{
    const std::string install = ToLibraryPath(InstallFolder());
    const std::string temp = ToLibraryPath(TempFolder());
    const zv::CString resolved = ZV_ParsePath(outputFolder.c_str(), install.c_str(), temp.c_str());

    std::string posix = resolved.GetString();
    for (char& c : posix) {
        if (c == '\\') {
            c = '/';
        }
    }
    fs::path folder = fs::path(posix).lexically_normal();
    if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) {
        folder = folder.parent_path();  // "out/" names the folder "out"
    }
    const std::string creatable = AsCreatableFolder(folder);
    if (!ZV_CreateFolder(creatable.c_str(), 0)) {
        *error = "cannot create the output folder " + folder.string();
        return std::nullopt;
    }
    return folder.string();
}

} // namespace zvtool
