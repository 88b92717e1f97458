// A host that loads and unloads the library at run time, as plug-in hosts do.
#include "zvdll.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

using GetFileNameFn = zv::CString (*)(const char*);

TEST(Lifecycle, LoadsCallsAndUnloadsRepeatedly)
{
    for (int round = 0; round < 3; ++round) {
        void* library = dlopen(ZV_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto getFileName = reinterpret_cast<GetFileNameFn>(dlsym(library, "ZV_GetFileName"));
        ASSERT_NE(getFileName, nullptr) << "plain, undecorated export name expected";
        EXPECT_STREQ(getFileName("D:\\Photos\\beach.jpg").GetString(), "beach.jpg");
        EXPECT_EQ(dlsym(library, "IS40_ReadJPG"), nullptr) << "the imaging library stays inside";
        EXPECT_EQ(dlclose(library), 0);
    }
}

} // namespace
