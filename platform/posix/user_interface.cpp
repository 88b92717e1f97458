#include "platform/user_interface.h"

#include <cstdio>

namespace zv::platform {

void ShowSystemWaitCursor() {}

void HideSystemWaitCursor() {}

void ShowSystemMessageBox(const char* text, const char* caption)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

} // namespace zv::platform
