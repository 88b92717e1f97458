/* zvdll/image_types.h — image type codes and the measuring block */
#ifndef ZVDLL_IMAGE_TYPES_H
#define ZVDLL_IMAGE_TYPES_H

#include "zvdll/api.h"

#include <stdint.h>

ZV_C_BEGIN

/* ---- Image type codes (ZV_GetExtType) ------------------------------------------------------ */
enum {
    IMAGETYPE_UNKNOWN = 0,
    IMAGETYPE_JPG = 1,
    IMAGETYPE_TIF = 2,
    IMAGETYPE_BMP = 3,
    IMAGETYPE_PNG = 4,
    IMAGETYPE_GIF = 5,
    IMAGETYPE_PCX = 6,
    IMAGETYPE_TGA = 7,
    IMAGETYPE_PSD = 8,
    IMAGETYPE_WMF = 9,
    IMAGETYPE_EMF = 10,
    IMAGETYPE_AMF = 11,
    IMAGETYPE_ICO = 12,
    IMAGETYPE_RAW = 13
};

/* The 20-byte block that ZV_GetImageDims fills for JPEG, PNG, TIFF, BMP, PCX and PSD files.
 * For other types its content is unspecified. */
typedef struct ZvDimInfo {
    uint32_t width;            /* pixels, as the image opens (TIFF: after its Orientation) */
    uint32_t height;
    uint32_t bitsPerSample;    /* bits of one channel sample as stored (1, 2, 4, 8, 16) */
    uint32_t samplesPerPixel;  /* stored channels: 1 grey/indexed, 3 colour, 4 with alpha/CMYK */
    uint32_t formatDetail;     /* JPEG: 1 progressive; PNG: 1 interlaced; TIFF, BMP, PSD:
                                  compression code of the file; PCX: number of planes */
} ZvDimInfo;

ZV_C_END

#endif /* ZVDLL_IMAGE_TYPES_H */
