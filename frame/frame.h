// The library frame: one module state and one application object for the life of the
// library, a per-thread "current module state", and the per-call frame that makes the
// library's own state current for the length of an export call.
#ifndef ZV_FRAME_FRAME_H
#define ZV_FRAME_FRAME_H

namespace zv::frame {

class CZVDllApp;

// What the framework keeps per module. The host has its own; the library has exactly one.
struct ModuleState {
    const char* moduleName = "";
    CZVDllApp* app = nullptr;
};

// The application object. It does nothing at load or unload of its own; the wait cursor
// acts through it so that the host sees it for the library.
class CZVDllApp {
public:
    explicit CZVDllApp(ModuleState& state);
    ~CZVDllApp();
    CZVDllApp(const CZVDllApp&) = delete;
    CZVDllApp& operator=(const CZVDllApp&) = delete;

    void BeginWaitCursor();
    void EndWaitCursor();
    const char* AppName() const;

private:
    ModuleState& state_;
};

// The library's own module state (constructed before, destroyed after, the application object).
ModuleState& LibraryModuleState();
CZVDllApp& App();

// The calling thread's current module state; null until someone makes one current.
ModuleState* CurrentModuleState();
void SetCurrentModuleState(ModuleState* state);

// Opened first by every framed export: makes the library's state current and puts the
// caller's back on every way out, exceptions included.
class MaintainState {
public:
    MaintainState();
    ~MaintainState();
    MaintainState(const MaintainState&) = delete;
    MaintainState& operator=(const MaintainState&) = delete;

private:
    ModuleState* saved_;
};

// Shows the wait cursor for the length of a scope, on every way out.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A modal message box with an OK button, captioned with the library's name.
void MessageBox(const char* text);

// The framework's standard report of memory exhaustion.
inline constexpr const char* kOutOfMemoryText = "Out of memory.";
void ReportOutOfMemory();

} // namespace zv::frame

// The first statement of every framed export.
#define ZV_EXPORT_FRAME ::zv::frame::MaintainState zvExportFrame_

#endif
