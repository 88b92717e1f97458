/* zvdll/photo.h — what a host needs to show and convert photos as they were meant to be seen:
 * their orientation, their colour profile and their metadata.
 *
 * The ZV_ exports decode pixels as the file stores them. Cameras and phones store most
 * portraits lying on their side with an EXIF Orientation that says how to turn them, and many
 * embed an ICC profile (Display P3, Adobe RGB) that the pixel values are relative to. These
 * host functions read that information without decoding pixels, turn decoded pixels upright,
 * convert them to sRGB, and give back the metadata blocks rewritten for an upright output file.
 *
 * Every function is safe to call from several threads at once on different objects. On
 * failure a function returns 0 (or null) and sets the calling thread's imaging error, which
 * ZV_GetISerror reads as for the readers. */
#ifndef ZVDLL_PHOTO_H
#define ZVDLL_PHOTO_H

#include "zvdll/api.h"
#include "zvdll/c_objects.h"

#include <stddef.h>
#include <stdint.h>

ZV_C_BEGIN

/* ---- Orientation --------------------------------------------------------------------------
 * The eight values of the EXIF Orientation tag: where the stored picture's first row and first
 * column belong on the display, and so the transform that turns stored pixels upright. */
enum {
    ZV_ORIENT_NORMAL = 1,      /* as stored */
    ZV_ORIENT_FLIP_H = 2,      /* mirror left to right */
    ZV_ORIENT_ROTATE_180 = 3,
    ZV_ORIENT_FLIP_V = 4,      /* mirror top to bottom */
    ZV_ORIENT_TRANSPOSE = 5,   /* mirror along the top-left to bottom-right diagonal */
    ZV_ORIENT_ROTATE_90 = 6,   /* rotate 90 degrees clockwise */
    ZV_ORIENT_TRANSVERSE = 7,  /* mirror along the top-right to bottom-left diagonal */
    ZV_ORIENT_ROTATE_270 = 8   /* rotate 90 degrees counter-clockwise */
};

/* Turns width x height RGB pixels (rows of exactly width*3 bytes) upright according to
 * `orientation` into `target`, which holds width*height*3 bytes. Orientations 5 to 8 swap
 * width and height: the result has `height` columns and `width` rows. `target` must not
 * overlap `source`, except that orientations 1 to 4 may work in place (target == source).
 * Returns 1; 0 for an orientation outside 1..8, a null buffer or a side of 0 or less
 * (error 5). */
ZV_API int32_t ZvOrientPixels(const uint8_t* source, int32_t width, int32_t height, int32_t orientation,
                              uint8_t* target);

/* ---- Colour -------------------------------------------------------------------------------
 * Rendering intents, numbered as ICC numbers them. Perceptual compresses the whole source gamut
 * into sRGB's; relative colorimetric keeps in-gamut colours exact and clips the rest. */
enum {
    ZV_INTENT_PERCEPTUAL = 0,
    ZV_INTENT_RELATIVE_COLORIMETRIC = 1
};

/* Converts width x height RGB pixels in place from the ICC profile `profile` (profileSize
 * bytes, as embedded in the file) to sRGB, with Little CMS (lcms2). Returns 1 on success. On
 * failure returns 0 and leaves the pixels as they were: a profile that is not a valid RGB
 * profile (damaged, hostile, grey or CMYK) gives error 5, as do an unknown intent, a null
 * buffer and a side of 0 or less. */
ZV_API int32_t ZvConvertToSrgb(uint8_t* pixels, int32_t width, int32_t height, const void* profile,
                               size_t profileSize, int32_t intent);

/* ---- Metadata -----------------------------------------------------------------------------
 * A file's metadata, read without decoding its pixels: from JPEG (APP1 EXIF and XMP, APP2 ICC
 * profile, APP13 IPTC), PNG (eXIf, iCCP, the iTXt XMP packet), TIFF (Orientation, ICC profile,
 * XMP and IPTC tags; the date and camera from its tags and EXIF directory) and PSD (image
 * resources). Other formats read as holding none. */
typedef struct ZvMetadata ZvMetadata;

/* The blocks a file may hold, as bytes. */
enum {
    ZV_BLOCK_EXIF = 0,  /* the TIFF-structured EXIF data ("II*\0" or "MM\0*"), without the
                           "Exif\0\0" that JPEG puts before it */
    ZV_BLOCK_XMP = 1,   /* the XMP packet, UTF-8 XML */
    ZV_BLOCK_IPTC = 2,  /* IPTC-IIM records (the 8BIM 0x0404 resource of JPEG's APP13) */
    ZV_BLOCK_ICC = 3    /* the ICC profile */
};

/* Facts read from the blocks, as text. */
enum {
    ZV_FIELD_DATE_TAKEN = 0,           /* EXIF DateTimeOriginal, else DateTime: "YYYY:MM:DD HH:MM:SS" */
    ZV_FIELD_CAMERA_MAKE = 1,          /* EXIF Make */
    ZV_FIELD_CAMERA_MODEL = 2,         /* EXIF Model */
    ZV_FIELD_PROFILE_DESCRIPTION = 3   /* the ICC profile's description, e.g. "Display P3" */
};

/* Reads the metadata of the file at `path`. Returns null (error 2) only when the file cannot be
 * opened; a file of another format, or one that holds nothing, gives an empty ZvMetadata.
 * Every block is checked by the library made for it (libexif for EXIF, lcms2 for the
 * profile) and bounded like the image readers; a damaged or hostile block is left out and
 * named by ZvMetadataRefusedBlocks, and the rest of the file still reads. */
ZV_API ZvMetadata* ZvReadMetadata(const char* path);
/* As ZvReadMetadata, from `size` bytes of a file held in memory (they are not kept). */
ZV_API ZvMetadata* ZvReadMetadataFromMemory(const void* data, size_t size);
/* Releases what ZvReadMetadata gave; null is accepted. */
ZV_API void ZvMetadataFree(ZvMetadata* metadata);

/* The orientation 1..8 that the pixels ZV_OpenImageFile gives still need to be turned by; 1
 * when the file says none or its value is outside 1..8. A TIFF's reader applies the file's
 * Orientation tag itself, so its pixels open upright and this is 1 for TIFF. */
ZV_API int32_t ZvMetadataOrientation(const ZvMetadata* metadata);
/* The bytes of a block, valid until ZvMetadataFree; null with *size 0 when the file holds none
 * or it was refused. `size` may be null. */
ZV_API const uint8_t* ZvMetadataBlock(const ZvMetadata* metadata, int32_t block, size_t* size);
/* One bit (1 << ZV_BLOCK_...) for each block the file holds but that was refused. */
ZV_API uint32_t ZvMetadataRefusedBlocks(const ZvMetadata* metadata);
/* A field as text; empty when the file does not say. */
ZV_API ZvString* ZvMetadataText(const ZvMetadata* metadata, int32_t field);

/* A block rewritten for an output file whose pixels were turned upright and are now
 * width x height: EXIF gets Orientation 1 and that pixel size, and loses its embedded
 * thumbnail (which still shows the old pixels); XMP gets tiff:Orientation 1; IPTC and the
 * profile are unchanged. Returns a new buffer that the host releases with ZvFreeBuffer, with
 * its length in *size; null with *size 0 when there is no such block. */
ZV_API uint8_t* ZvMetadataBlockForOutput(const ZvMetadata* metadata, int32_t block, int32_t width,
                                         int32_t height, size_t* size);

/* ---- Opening upright ----------------------------------------------------------------------
 * Options of ZvOpenImageFileForDisplay. */
enum {
    ZV_OPEN_UPRIGHT = 1,  /* turn the pixels to their display orientation */
    ZV_OPEN_SRGB = 2      /* convert from an embedded profile to sRGB (perceptual) */
};

/* ZvOpenImageFileForSize with options. With ZV_OPEN_UPRIGHT the image is turned upright, and
 * maxWidth x maxHeight is the box for the displayed picture: an image stored on its side is
 * decoded at the scale that covers the box as displayed. With ZV_OPEN_SRGB an embedded profile
 * is converted to sRGB; a profile that cannot be used leaves the pixels as decoded. Results,
 * buffer ownership and errors are those of ZvOpenImageFileForSize. */
ZV_API int32_t ZvOpenImageFileForDisplay(const char* path, uint8_t** rgbOut, int32_t* width, int32_t* height,
                                         int32_t maxWidth, int32_t maxHeight, uint32_t options);

/* ---- Naming by the date taken -------------------------------------------------------------
 * ZV_ParseLine with its date tokens showing `dateTime` instead of the current time: a photo's
 * date taken as ZvMetadataText gives it ("YYYY:MM:DD HH:MM:SS"). A null, empty or malformed
 * `dateTime` (EXIF's unknown date "    :  :     :  :  " included) gives exactly ZV_ParseLine's
 * result. The result is never null; release it with ZvStringFree. */
ZV_API ZvString* ZvParseLineAt(const char* dateTime, const char* templateText, const char* defaultDateFormat,
                               const char* filePath, const char* fileName, const char* fileTitle,
                               int32_t width, int32_t height, const int32_t counters[10]);

ZV_C_END

#endif /* ZVDLL_PHOTO_H */
