#include "platform/windows/system_headers.h"

#include "platform/code_page.h"

namespace zv::platform {
namespace {

LeadBytes ReadLeadBytes()
{
    LeadBytes lead;
    CPINFO info{};
    if (!::GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 2) {
        return lead;
    }
    // LeadByte holds inclusive ranges as byte pairs, ending with a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte) {
            lead.isLead[static_cast<size_t>(byte)] = true;
            lead.any = true;
        }
    }
    return lead;
}

} // namespace

// The ANSI code page is fixed when the process starts, so it is read once.
const LeadBytes& AnsiLeadBytes()
{
    static const LeadBytes lead = ReadLeadBytes();
    return lead;
}

} // namespace zv::platform
