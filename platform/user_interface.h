// The system's own wait cursor and message box, for when the host has installed no services
// of its own (frame/host_services.h).
#ifndef ZV_PLATFORM_USER_INTERFACE_H
#define ZV_PLATFORM_USER_INTERFACE_H

namespace zv::platform {

// Windows: the hourglass, then the arrow again. Elsewhere there is no cursor to change.
void ShowSystemWaitCursor();
void HideSystemWaitCursor();
// Windows: a modal box with an OK button. Elsewhere one line "caption: text" on standard error.
void ShowSystemMessageBox(const char* text, const char* caption);

} // namespace zv::platform

#endif
