// The imaging library: opens files as sources, decodes and measures eleven image format
// families, converts, resizes and blurs pixels, and keeps the last error per thread.
//
// Every reader returns an image block (HGLOBAL; release with ImageBlockFree) or null on failure,
// after setting the calling thread's last error (IS40_GetLastError). With 24 bits asked for —
// and always for PCD, RAW and metafiles — a block holds width*height pixels of 3 bytes (R, G,
// B), rows of exactly width*3 bytes, top row first. The GIF reader returns one palette index
// per pixel, rows of exactly width bytes, and fills a 1024-byte palette block: 256 entries of
// 4 bytes each, red, green, blue, 0.
//
// Readers check the image's size against the allocation limit (platform/memory.h) before
// allocating anything proportional to it, with sizes computed in 64 bits.
#ifndef ZV_IMAGING_IMAGING_H
#define ZV_IMAGING_IMAGING_H

#include <cstddef>
#include <cstdint>

#include "platform/memory.h"

typedef struct IS40Source* HISSRC;

// The 20-byte dimension info block that some measuring operations fill (five 32-bit words).
struct IS40DimInfo {
    uint32_t width;            // pixels, as the image opens (TIFF: after its Orientation)
    uint32_t height;
    uint32_t bitsPerSample;    // bits of one stored channel sample
    uint32_t samplesPerPixel;  // stored channels
    uint32_t formatDetail;     // JPEG: 1 progressive; PNG: 1 interlaced; TIFF, BMP, PSD:
                               // the file's compression code; PCX: number of planes
};
static_assert(sizeof(IS40DimInfo) == 20, "the info block is five 32-bit words");

// ---- Sources ------------------------------------------------------------------------------
// Opens a file (library path: backslashes separate) for reading; null on failure (code 2).
HISSRC IS40_OpenFileSource(const char* path);
// Opens bytes held in memory as a source (they are copied); null on failure.
HISSRC IS40_OpenMemorySource(const uint8_t* data, size_t size);
// Closes a source; accepts null. Returns 1 when a source was closed.
uint32_t IS40_CloseSource(HISSRC source);

// ---- Readers ------------------------------------------------------------------------------
HGLOBAL IS40_ReadJPG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint32_t flags);
// As IS40_ReadJPG (24 bits), but decoded at the smallest of the DCT scales 1/8, 1/4 and 1/2
// whose size still covers the image fitted into boxWidth x boxHeight with its proportions
// kept; at full size when none does or a box side is 0. The caller's resampler finishes the
// fit from there, at a fraction of the full decode's cost.
HGLOBAL IS40_ReadJPGToFit(HISSRC source, uint32_t* width, uint32_t* height, uint32_t boxWidth,
                          uint32_t boxHeight, uint32_t flags);
HGLOBAL IS40_ReadPNG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* palette, uint32_t flags);
HGLOBAL IS40_ReadTIFF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                      uint8_t* palette, uint32_t frameIndex, uint32_t flags);
HGLOBAL IS40_ReadGIF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* transparentIndex,
                     uint8_t* palette1024, uint32_t flags);
HGLOBAL IS40_ReadBMP(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* palette, uint32_t flags);
HGLOBAL IS40_ReadTGA(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* palette, uint32_t flags);
HGLOBAL IS40_ReadPCX(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* palette, uint32_t flags);
HGLOBAL IS40_ReadPSD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                     uint8_t* palette, uint32_t flags);
// resolution 3 selects the Base image (768 x 512, or 512 x 768 in portrait).
HGLOBAL IS40_ReadPCD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t resolution,
                     uint32_t flags);
// Renders a WMF, placeable WMF or EMF file at the wanted size (see metafile.cpp for the rule
// when a wanted size is 0 or negative) into 24-bit RGB on white.
HGLOBAL IS40_ReadMetafile(const char* path, uint32_t* width, uint32_t* height,
                          int32_t wantedWidth, int32_t wantedHeight, uint32_t reserved,
                          uint32_t flags);

// Screen gamma for later PNG reads, process-wide; 0 or less switches correction off.
void IS40_PNGSetScreenGamma(double gamma);
double IS40_PNGGetScreenGamma();

// Palette indices to 3-byte pixels through a 1024-byte palette block. Non-zero on success.
uint32_t IS40_8BitToRGB(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t inRowStride,
                        uint8_t* output, uint32_t outRowStride, uint32_t colours,
                        const uint8_t* palette1024, uint32_t flags);

// ---- Measuring, from headers only; non-zero on success -------------------------------------
uint32_t IS40_GetJPGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t* densityX, uint32_t* densityY, IS40DimInfo* info, uint32_t flags);
uint32_t IS40_GetPNGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                         uint32_t* colourType, uint32_t* interlace, uint8_t* palette,
                         uint32_t* compression, uint32_t* filter, uint32_t* pixelsPerUnitX,
                         uint32_t* pixelsPerUnitY, IS40DimInfo* info, uint32_t flags);
uint32_t IS40_GetTIFFDims(HISSRC source, uint32_t frameIndex, uint32_t* width, uint32_t* height,
                          uint32_t* bitsPerPixel, IS40DimInfo* info, uint32_t flags);
uint32_t IS40_GetGIFDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t* backgroundIndex, uint32_t* transparentIndex, uint8_t* palette1024,
                         uint32_t* colourCount, uint32_t flags);
uint32_t IS40_GetBMPDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         IS40DimInfo* info, uint32_t flags);
uint32_t IS40_GetPCXDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         IS40DimInfo* info, uint32_t flags);
uint32_t IS40_GetTGADims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                         uint32_t flags);
uint32_t IS40_GetPSDDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* channels,
                         IS40DimInfo* info, uint32_t flags);

// ---- Pixel operations ------------------------------------------------------------------------
// Resamples 3-byte pixels; mode 16 is the high-quality resampler (see resize.cpp for the
// others). Non-zero on success.
uint32_t IS40_ResizeImage(const uint8_t* input, uint32_t width, uint32_t height, uint32_t inRowStride,
                          uint8_t* output, uint32_t newWidth, uint32_t newHeight,
                          uint32_t outRowStride, uint32_t bytesPerPixel, uint32_t mode,
                          uint32_t flags);
// Gaussian blur of `input` into `output` with `amount` as its strength (see gaussian.cpp).
// Non-zero on success.
uint32_t IS40_GaussianBlurImage(const uint8_t* input, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t inRowStride, uint8_t* output,
                                uint32_t outRowStride, double amount, uint32_t flags);

// The calling thread's last error code (0: none). See errors.h for the codes.
uint32_t IS40_GetLastError();

// ---- Camera RAW ------------------------------------------------------------------------------
// Demosaiced, white-balanced sRGB, 8 bits, orientation applied, 3 bytes a pixel.
HGLOBAL SARAW_ReadRAW(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitDepth,
                      double brightness, double redScale, double blueScale, uint32_t flags,
                      int32_t quality, uint32_t reserved1, uint32_t reserved2, uint32_t reserved3,
                      uint32_t reserved4, uint32_t reserved5, uint32_t reserved6,
                      uint32_t reserved7);
// Output size (after orientation) without demosaicing; makerOut receives at least 64 bytes,
// modelOut 72 (maker and model, zero-terminated, cut to fit), then ISO speed, shutter time in
// seconds, aperture (f-number) and focal length in millimetres. Non-zero on success.
uint32_t SARAW_GetRAWDims(HISSRC source, uint32_t* width, uint32_t* height, char* makerOut,
                          char* modelOut, double* isoSpeed, double* shutterSeconds,
                          double* aperture, double* focalLength, uint32_t option);

#endif
