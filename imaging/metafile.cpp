// Not built yet: fails honestly with "this function is not supported in this build".
#include "imaging/errors.h"
#include "imaging/imaging.h"

using zv::imaging::FailNotSupported;

HGLOBAL IS40_ReadMetafile(const char*, uint32_t*, uint32_t*, int32_t, int32_t, uint32_t, uint32_t) { return FailNotSupported(); }
