#include "frame/frame.h"

#include "frame/host_services.h"
#include "platform/user_interface.h"

namespace zv::frame {
namespace {

constexpr const char* kLibraryName = "ZVDll";

// Construction order is declaration order: the module state first, then the application
// object; destruction runs in reverse when the library is unloaded.
struct LibraryInstance {
    ModuleState state{kLibraryName, nullptr};
    CZVDllApp app{state};
};

LibraryInstance g_library;

thread_local ModuleState* t_currentState = nullptr;

} // namespace

CZVDllApp::CZVDllApp(ModuleState& state) : state_(state)
{
    state_.app = this;
}

CZVDllApp::~CZVDllApp()
{
    state_.app = nullptr;
}

void CZVDllApp::BeginWaitCursor()
{
    const ZvHostServices services = CurrentHostServices();
    if (services.beginWaitCursor != nullptr) {
        services.beginWaitCursor(services.context);
    } else {
        platform::ShowSystemWaitCursor();
    }
}

void CZVDllApp::EndWaitCursor()
{
    const ZvHostServices services = CurrentHostServices();
    if (services.endWaitCursor != nullptr) {
        services.endWaitCursor(services.context);
    } else {
        platform::HideSystemWaitCursor();
    }
}

const char* CZVDllApp::AppName() const
{
    return state_.moduleName;
}

ModuleState& LibraryModuleState()
{
    return g_library.state;
}

CZVDllApp& App()
{
    return g_library.app;
}

ModuleState* CurrentModuleState()
{
    return t_currentState;
}

void SetCurrentModuleState(ModuleState* state)
{
    t_currentState = state;
}

MaintainState::MaintainState() : saved_(t_currentState)
{
    t_currentState = &g_library.state;
}

MaintainState::~MaintainState()
{
    t_currentState = saved_;
}

WaitCursor::WaitCursor()
{
    App().BeginWaitCursor();
}

WaitCursor::~WaitCursor()
{
    App().EndWaitCursor();
}

void MessageBox(const char* text)
{
    const char* caption = App().AppName();
    const ZvHostServices services = CurrentHostServices();
    if (services.messageBox != nullptr) {
        services.messageBox(services.context, text, caption);
        return;
    }
    platform::ShowSystemMessageBox(text, caption);
}

void ReportOutOfMemory()
{
    MessageBox(kOutOfMemoryText);
}

} // namespace zv::frame
