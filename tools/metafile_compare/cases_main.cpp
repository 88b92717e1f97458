// Writes the generated metafile cases (one record kind each) into a folder, for comparing
// renderers:  zv_metafile_cases OUT_DIR
#include "metafile_cases.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zv_metafile_cases OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    for (const zv::samples::MetafileCase& c : zv::samples::MetafileCases()) {
        std::ofstream out(folder / c.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", c.name.c_str());
            return 1;
        }
    }
    return 0;
}
