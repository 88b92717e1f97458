// A host that loads and unloads the library at run time, as plug-in hosts do.
#include "zvdll.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

namespace {

using GetFileNameFn = ZvString* (*)(const char*);
using StringTextFn = const char* (*)(const ZvString*);
using StringFreeFn = void (*)(ZvString*);

#if defined(_WIN32)
void* OpenLibrary(const char* path)
{
    return LoadLibraryA(path);
}

void* Symbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool CloseLibrary(void* library)
{
    return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}

unsigned long LastError()
{
    return GetLastError();
}
#else
void* OpenLibrary(const char* path)
{
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* Symbol(void* library, const char* name)
{
    return dlsym(library, name);
}

bool CloseLibrary(void* library)
{
    return dlclose(library) == 0;
}

const char* LastError()
{
    return dlerror();
}
#endif

TEST(Lifecycle, LoadsCallsAndUnloadsRepeatedly)
{
    for (int round = 0; round < 3; ++round) {
        void* library = OpenLibrary(ZV_SHARED_LIBRARY);
        ASSERT_NE(library, nullptr) << LastError();
        auto getFileName = reinterpret_cast<GetFileNameFn>(Symbol(library, "ZV_GetFileName"));
        ASSERT_NE(getFileName, nullptr) << "plain, undecorated export name expected";
        auto text = reinterpret_cast<StringTextFn>(Symbol(library, "ZvStringText"));
        auto release = reinterpret_cast<StringFreeFn>(Symbol(library, "ZvStringFree"));
        ASSERT_TRUE(text != nullptr && release != nullptr);
        ZvString* name = getFileName("D:\\Photos\\beach.jpg");
        EXPECT_STREQ(text(name), "beach.jpg");
        release(name);
        EXPECT_EQ(Symbol(library, "IS40_ReadJPG"), nullptr) << "the imaging library stays inside";
        EXPECT_TRUE(CloseLibrary(library));
    }
}

} // namespace
