#include "platform/windows/system_headers.h"

#include "platform/user_interface.h"

namespace zv::platform {

void ShowSystemWaitCursor()
{
    ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}

// The arrow is what a window shows when nobody asks for another cursor.
void HideSystemWaitCursor()
{
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
}

void ShowSystemMessageBox(const char* text, const char* caption)
{
    ::MessageBoxA(nullptr, text, caption, MB_OK);
}

} // namespace zv::platform
