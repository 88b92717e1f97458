#include "imageio/error_text.h"

#include "imaging/core/imaging.h"

namespace zv::imageio {
namespace {

// One text per code, indexed by the code, exactly as hosts have always shown them: spelling,
// capitals, the vendor's name in 16 and 17 and the run of blanks in 42 included.
constexpr const char* kErrorTexts[kErrorTextCount] = {
    "0: no error",
    "1: out of memory",
    "2: error on file open",
    "3: error on file read",
    "4: error on file write",
    "5: bad user parameter",
    "6: bad BMP file",
    "7: some RLE variations are not supported",
    "8: bad GIF version number",
    "9: bad JPG file",
    "10: error with device context",
    "11: problem with a GetDIBits call",
    "12: bad GIF file",
    "13: resource not found",
    "14: callback returned FALSE - operation aborted",
    "15: invalid PNG file",
    "16: internal PNG lib behavior - contact smaller animals s.w.",
    "17: misc unexpected behavior error - contact smaller animals s.w.",
    "18: trouble creating a font object",
    "19: misc internal TIFF error",
    "20: invalid TIFF file",
    "21: (unused)",
    "22: invalid PCX image",
    "23: a call to the fn CreateCompatibleBitmap failed",
    "24: end of an image while using single-line de/compression",
    "25: error during a call to GetDIBits",
    "26: device does not support an operation required by this function",
    "27: invalid windows metafile",
    "28: the file was not of the requested bit-depth",
    "29: a call to BitBlt failed.",
    "30: output buffer is too small for this operation",
    "31: not enough room in the output palette to store the colors from this image",
    "32: Invalid TGA File",
    "33: No TGA Thumbnail in the file",
    "34: reserved value",
    "35: a call to the fn CreateDIBitmap failed",
    "36: LZW de/compression not allowed",
    "37: a call to SelectObject has failed (DC does not support this operation?)",
    "38: the HISSRC or HISDEST object passed into the function does appear to be valid",
    "39: the function is obsolete",
    "40: a call to CreateDIBSection failed",
    "41: a call to SetWinMetaFileBits failed (95/98 only)",
    "42: a call to GetEnhMetaFileBits   or GetWinMetaFileBits failed",
    "43: apparently invalid PAX password",
    "44: invalid PAX file",
    "45: this function is not supported in this build (see DLL build options)",
    "46: invalid PSD (Photoshop) file",
    "47: this Photoshop sub-format is not supported",
    "48: decryption error - possible bad password for encrypted files",
    "49: encryption failed",
    "50: compression failed",
    "51: decompression error - possible bad password for encrypted files",
    "52: invalid TLA file. may indicate incorrect password",
    "53: invalid or unsupported WBMP (Wireless Bitmap) image.",
    "54: ImgSource does not support reading or writing this TIFF tag",
    "55: ImgSource was not able to allocate thread-local storage. this is a severe low-memory condition.",
    "56: invalid EXIF format",
    "57: no EXIF string was found with the given ID",
    "58: invalid IPTC format",
    "59: no IPTC tag was found with the given ID",
    "60: can't read interlaced PNGs one line at a time",
    "61: can't warp to or from a non-convex polygon",
    "62: unable to determine polygon transformation matrix",
    "63: invalid PhotoCD image",
    "64: image is a PhotoCD index file, not a single image",
    "65: EXIF data does not contain a thumbnail",
    "66: the requested data is not in the PNG file",
    "67: unable to parse the Photoshop resource",
    "68: output image was too small for the requested filter type",
    "69: error initializing zLib for de/compression",
    "70: error in zLib de/compression",
    "71: processor does not support the requested operation",
    "72: Phototoshop resource not found",
    "73: attempted to read tiled TIFF as strips, or vice versa",
    "74: the function can't read TIFFs with separated color planes",
    "75: there is no tile pos or strip index in the file (out of range, or bad tile position)",
    "76: invalid JPEG marker type for the operation",
    "77: invalid ICO (Windows ICON) file",
    "78: invalid PPM, PBM or PGM file",
    "79: end of (GIF) animation",
    "80: one or more tags required for valid EXIF data was not set",
    "81: unable to intialize GeoTiff reader",
    "82: no GeoTIFF tag was found with the given ID",
};

} // namespace

CString ErrorText(uint32_t code)
{
    CString text;
    if (code < kErrorTextCount) {
        text = kErrorTexts[code];
    }
    return text;
}

CString LastImagingErrorText()
{
    return ErrorText(IS40_GetLastError());
}

} // namespace zv::imageio
