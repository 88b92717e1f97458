// Not built yet: fails honestly with "this function is not supported in this build".
#include "imaging/errors.h"
#include "imaging/imaging.h"

using zv::imaging::FailNotSupported;

HGLOBAL IS40_ReadPNG(HISSRC, uint32_t*, uint32_t*, uint32_t, uint8_t*, uint32_t) { return FailNotSupported(); }

uint32_t IS40_GetPNGDims(HISSRC, uint32_t*, uint32_t*, uint32_t*, uint32_t*, uint32_t*, uint8_t*, uint32_t*, uint32_t*, uint32_t*, uint32_t*, IS40DimInfo*, uint32_t) { FailNotSupported(); return 0; }

void IS40_PNGSetScreenGamma(double) {}

double IS40_PNGGetScreenGamma() { return 0.0; }
