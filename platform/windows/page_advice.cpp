// Windows maps large pages only for processes holding the lock-pages privilege, which a viewer
// never has, and its file mappings read ahead by themselves: both hints are left to the system.
#include "platform/page_advice.h"

namespace zv::platform {

void AdviseHugePages(void*, uint64_t) {}

void PrefaultForReading(const void*, uint64_t) {}

} // namespace zv::platform
