// The metafile reader of a build without a drawing backend for its system: every metafile
// fails with error 45 (not supported in this build), so that a host tells the user plainly
// instead of showing a blank picture.
#include "imaging/core/errors.h"
#include "imaging/core/imaging.h"

HGLOBAL IS40_ReadMetafile(const char*, uint32_t*, uint32_t*, int32_t, int32_t, uint32_t, uint32_t)
{
    return zv::imaging::FailNotSupported();
}
