// Not built yet: fails honestly with "this function is not supported in this build".
#include "imaging/errors.h"
#include "imaging/imaging.h"

using zv::imaging::FailNotSupported;

HGLOBAL SARAW_ReadRAW(HISSRC, uint32_t*, uint32_t*, uint32_t, double, double, double, uint32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return FailNotSupported(); }

uint32_t SARAW_GetRAWDims(HISSRC, uint32_t*, uint32_t*, char*, char*, double*, double*, double*, double*, uint32_t) { FailNotSupported(); return 0; }
