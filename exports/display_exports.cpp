// Display exports: the display copy and the palette open the per-call frame (they may show the
// out-of-memory message box); the colour-byte writers are frameless.
#include "zvdll.h"

#include "frame/frame.h"
#include "imageproc/color_bytes.h"
#include "imageproc/display_frame.h"
#include "imageproc/palette.h"

using zv::imageproc::ColourChannel;

extern "C" {

ZV_API int32_t zv::c::ZV_DisplayFrame(uint8_t** source, uint32_t* sourceWidth, uint32_t* sourceHeight,
                                      uint8_t** display, uint32_t* displayWidth, uint32_t* displayHeight,
                                      ZvWindow* window)
{
    ZV_EXPORT_FRAME;
    return zv::imageproc::DisplayFrame(source, sourceWidth, sourceHeight, display, displayWidth, displayHeight,
                                       window);
}

ZV_API void zv::c::ZV_MakePalette(ZvGdiObject* palette)
{
    ZV_EXPORT_FRAME;
    zv::imageproc::MakePalette(palette);
}

ZV_API void ZV_SetRbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value)
{
    zv::imageproc::SetColourByte(buffer, row, column, width, ColourChannel::Red, value);
}

ZV_API void ZV_SetGbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value)
{
    zv::imageproc::SetColourByte(buffer, row, column, width, ColourChannel::Green, value);
}

ZV_API void ZV_SetBbyte(uint8_t* buffer, int32_t row, int32_t column, int32_t width, uint8_t value)
{
    zv::imageproc::SetColourByte(buffer, row, column, width, ColourChannel::Blue, value);
}

} // extern "C"
