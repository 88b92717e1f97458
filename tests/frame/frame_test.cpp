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

TEST(Frame, TheApplicationObjectBelongsToTheLibraryState)
{
    EXPECT_EQ(LibraryModuleState().app, &zv::frame::App());
    EXPECT_STREQ(zv::frame::App().AppName(), "ZVDll");
}

TEST(Frame, MakesTheLibraryStateCurrentAndRestoresTheCallers)
{
    HostState host;
    {
        zv::frame::MaintainState frame;
        EXPECT_EQ(CurrentModuleState(), &LibraryModuleState());
        {
            zv::frame::MaintainState nested;
            EXPECT_EQ(CurrentModuleState(), &LibraryModuleState());
        }
        EXPECT_EQ(CurrentModuleState(), &LibraryModuleState());
    }
    EXPECT_EQ(CurrentModuleState(), &host.state);
}

TEST(Frame, RestoresTheCallersStateWhenAnExceptionLeaves)
{
    HostState host;
    EXPECT_THROW(
        {
            zv::frame::MaintainState frame;
            throw std::bad_alloc();
        },
        std::bad_alloc);
    EXPECT_EQ(CurrentModuleState(), &host.state);
}

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

TEST(Frame, ServicesReachTheHostOrStandardError)
{
    {
        zv::test::HostServicesRecorder recorder;
        zv::frame::MessageBox("hello");
        {
            zv::frame::WaitCursor cursor;
            EXPECT_EQ(recorder.cursorBegins, 1);
            EXPECT_EQ(recorder.cursorEnds, 0);
        }
        EXPECT_EQ(recorder.cursorEnds, 1);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], "ZVDll: hello");
    }
    testing::internal::CaptureStderr();
    zv::frame::ReportOutOfMemory();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ZVDll: Out of memory.\n");
}

} // namespace
