// The shared library shows exactly the host-facing names, undecorated, and nothing of its
// internals (the imaging library, the platform stand-ins, the codecs).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace {

const std::set<std::string> kExpectedCNames = {
    "ZV_ParseLine", "ZV_GetDate", "ZV_ParsePath",
    "ZV_GetFolderPath", "ZV_GetFolderPathPlusBS", "ZV_GetFileName", "ZV_GetFileTitle",
    "ZV_GetFileExt", "ZV_AddBackSlash", "ZV_RemoveBackSlash",
    "ZV_DoesFileExist", "ZV_DoesFolderExist", "ZV_CreateFolder", "ZV_SaveWindow", "ZV_RestoreWindow",
    "ZV_GetExtType", "ZV_ExtTo3Char",
    "ZV_IsJPG", "ZV_IsGIF", "ZV_IsTIF", "ZV_IsBMP", "ZV_IsPNG", "ZV_IsPCX", "ZV_IsTGA", "ZV_IsPSD",
    "ZV_IsMETA", "ZV_IsWMF", "ZV_IsEMF", "ZV_IsAMF", "ZV_IsPCD", "ZV_IsICO", "ZV_IsRAW",
    "ZV_OpenImageFile", "ZV_GetImageDims", "ZV_GetRAWInfo", "ZV_GetISerror",
    "ZV_BlurGaussian", "ZV_DisplayFrame", "ZV_MakePalette", "ZV_SetRbyte", "ZV_SetGbyte", "ZV_SetBbyte",
    "ZV_GetFloatValue", "ZV_ConvertStringToDouble", "ZV_StringToInteger", "ZV_IntegerToString",
    "ZV_IsEven", "ZV_RemoveSpaces",
    "ZvSetHostServices", "ZvSetAllocationLimit", "ZvGetAllocationLimit", "ZvFreeBuffer",
    "ZvOpenImageFileForSize",
};

std::set<std::string> DefinedDynamicSymbols(const std::string& command)
{
    std::set<std::string> names;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return names;
    }
    std::array<char, 4096> line{};
    while (fgets(line.data(), static_cast<int>(line.size()), pipe.get()) != nullptr) {
        std::string text(line.data());
        text.erase(text.find_last_not_of("\r\n") + 1);
        // "address kind name"; a demangled name may itself contain spaces.
        const size_t first = text.find(' ');
        if (first == std::string::npos || first + 3 > text.size() || text[first + 2] != ' ') {
            continue;
        }
        const char kind = text[first + 1];
        // Code (T), data (D, B, R), unique globals (u), weak (W, V): what the library defines.
        if (std::string("TDBRuWV").find(kind) != std::string::npos) {
            names.insert(text.substr(first + 3));
        }
    }
    return names;
}

TEST(Symbols, TheLibraryExportsExactlyItsInterface)
{
#if defined(_WIN32)
    GTEST_SKIP() << "nm reads ELF dynamic symbols; a DLL's export and import tables are checked by "
                    "scripts/check-windows-dll in make windows-test";
#endif
    const std::string library = ZV_SHARED_LIBRARY;
    const auto plain = DefinedDynamicSymbols("nm -D --defined-only '" + library + "'");
    const auto demangled = DefinedDynamicSymbols("nm -D -C --defined-only '" + library + "'");
    ASSERT_FALSE(plain.empty()) << "could not read the dynamic symbol table of " << library;

    std::set<std::string> cNames;
    for (const std::string& name : plain) {
        if (name.rfind("_Z", 0) != 0) {
            cNames.insert(name);
        }
    }
    // Section-boundary names that the linker adds are not ours.
    const std::set<std::string> linkerNames = {"_init", "_fini", "_edata", "_end", "__bss_start"};
    for (const std::string& name : linkerNames) {
        cNames.erase(name);
    }
    EXPECT_EQ(cNames, kExpectedCNames);

    // Every C++ name belongs to the host-facing classes in namespace zv.
    for (const std::string& name : demangled) {
        if (name.rfind("ZV_", 0) == 0 || name.rfind("Zv", 0) == 0 || cNames.count(name) || linkerNames.count(name)) {
            continue;
        }
        EXPECT_EQ(name.rfind("zv::", 0), 0u) << "unexpected exported symbol: " << name;
        EXPECT_EQ(name.find("zv::imaging"), std::string::npos) << name;
        EXPECT_EQ(name.find("zv::platform"), std::string::npos) << name;
        EXPECT_EQ(name.find("zv::frame"), std::string::npos) << name;
    }
}

} // namespace
