#include "frame/frame.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#if defined(_WIN32)
#  include <future>
#  include <string>
#  include <windows.h>
#  undef MessageBox
#endif

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

TEST(Frame, ServicesReachTheHostOrTheSystem)
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
#if defined(_WIN32)
    // The system's message box is modal: a helper presses OK on it and reports its text.
    HWND probe = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) {
        GTEST_SKIP() << "no window can be shown (under Wine this needs a display: run under xvfb-run)";
    }
    DestroyWindow(probe);
    auto pressOk = std::async(std::launch::async, [] {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            if (HWND box = FindWindowA(nullptr, "ZVDll")) {
                char text[64] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return std::string(text);
            }
            Sleep(10);
        }
        return std::string("no message box appeared");
    });
    zv::frame::ReportOutOfMemory();
    EXPECT_EQ(pressOk.get(), "Out of memory.");
#else
    testing::internal::CaptureStderr();
    zv::frame::ReportOutOfMemory();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ZVDll: Out of memory.\n");
#endif
}

} // namespace
