#include "platform/code_page.h"

namespace zv::platform {

const LeadBytes& AnsiLeadBytes()
{
    static const LeadBytes none;
    return none;
}

} // namespace zv::platform
