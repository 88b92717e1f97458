#include "frame/frame.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using zv::frame::CurrentModuleState;
using zv::frame::LibraryModuleState;
using zv::frame::ModuleState;
using zv::frame::SetCurrentModuleState;

// The host's own state, current before it calls into the library.
struct HostState {
    ModuleState state{"host", nullptr};
    HostState() { SetCurrentModuleState(&state); }
    ~HostState() { SetCurrentModuleState(nullptr); }
};

TEST(Frame, AnExportRestoresTheCallersStateOnEveryWayOut)
{
    HostState host;
    EXPECT_EQ(ZV_GetFileName("a\\b.jpg"), "b.jpg");
    EXPECT_EQ(CurrentModuleState(), &host.state);

    // The host's message box throws through ZV_CreateFolder; the frame must still unwind.
    zv::test::HostServicesRecorder recorder;
    recorder.throwOnMessage = true;
    EXPECT_THROW(ZV_CreateFolder("", 1), std::runtime_error);
    EXPECT_EQ(CurrentModuleState(), &host.state);
    ASSERT_EQ(recorder.texts.size(), 1u);
}

TEST(Frame, FramelessExportsLeaveTheStateAlone)
{
    HostState host;
    uint8_t pixel[3] = {0, 0, 0};
    ZV_SetGbyte(pixel, 0, 0, 1, 9);
    EXPECT_EQ(pixel[1], 9);
    EXPECT_EQ(ZV_IsEven(8), 1);
    EXPECT_EQ(CurrentModuleState(), &host.state);
}

} // namespace
