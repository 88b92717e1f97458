// The shared library shows exactly the host-facing C names, undecorated: no C++ name, and
// nothing of its internals (the imaging library, the platform stand-ins, the codecs).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <memory>
#include <set>
#include <string>

namespace {

// Every function the public C headers declare with ZV_API: the exports, the host functions and
// the C objects.
std::set<std::string> DeclaredCNames()
{
    std::set<std::string> names;
    const std::regex declaration(R"(ZV_API[^;(]*?\b((ZV_|Zv)\w+)\()");
    for (const char* header : {"exports/zvdll_c.h", "include/zvdll/c_objects.h", "include/zvdll/host.h",
                               "include/zvdll/photo.h"}) {
        std::ifstream in(std::string(ZV_SOURCE_DIR) + "/" + header);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
            names.insert((*it)[1]);
        }
    }
    return names;
}

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
    const auto exported = DefinedDynamicSymbols("nm -D --defined-only '" + library + "'");
    ASSERT_FALSE(exported.empty()) << "could not read the dynamic symbol table of " << library;

    // Section-boundary names that the linker adds are not ours; everything else is a C name
    // that a header declares: no C++ name, nothing of the internals.
    std::set<std::string> ours = exported;
    for (const char* name : {"_init", "_fini", "_edata", "_end", "__bss_start"}) {
        ours.erase(name);
    }
    const std::set<std::string> declared = DeclaredCNames();
    EXPECT_EQ(ours, declared);
    EXPECT_EQ(std::count_if(declared.begin(), declared.end(),
                            [](const std::string& name) { return name.rfind("ZV_", 0) == 0; }),
              48);
}

} // namespace
