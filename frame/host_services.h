// The host's wait cursor and message box, as installed with ZvSetHostServices.
#ifndef ZV_FRAME_HOST_SERVICES_H
#define ZV_FRAME_HOST_SERVICES_H

#include "zvdll/host.h"

namespace zv::frame {

ZvHostServices CurrentHostServices();

} // namespace zv::frame

#endif
