/* A C11 host that uses only <zvdll_c.h> and no C library, so that the same file is a Linux test
 * (against libzvdll.so) and a freestanding Windows program in the MSVC ABI (through zvdll.lib):
 * library strings, the by-value exports, window and palette objects, and the pixel buffers,
 * all in their C form. The exit code is the number of failed checks. */
#include <zvdll_c.h>

#include <stddef.h>

static int failed;

static void Check(int ok) { failed += !ok; }

static int Same(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

/* Compares a returned string with its expected text and releases it. */
static void CheckText(ZvString* string, const char* expected)
{
    Check(string != NULL && Same(ZvStringText(string), expected));
    ZvStringFree(string);
}

static int Inside(const ZvRect* rect, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return rect->left == left && rect->top == top && rect->right == right && rect->bottom == bottom;
}

static int Near(int value, int expected) { return value >= expected - 2 && value <= expected + 2; }

#if defined(_WIN32)
/* The compiler's marker that floating point is used, which a C runtime would define. */
int _fltused = 0;
#endif

int main(void)
{
    static const ZvRect kFirst = {0, 0, 404, 304};
    static const ZvRect kMoved = {10, 10, 110, 60};
    ZvPaletteEntry entries[256];
    ZvGdiObject palette = {NULL};
    uint8_t source[8 * 4 * 3];
    uint8_t* pixels = source;
    uint8_t* display = NULL;
    uint32_t sourceWidth = 8, sourceHeight = 4, displayWidth = 0, displayHeight = 0, i;
    int32_t width = 0, height = 0;
    int same;
    ZvRect rect = {0, 0, 0, 0};
    ZvWindow* window = ZvWindowNew(&kFirst);

    CheckText(ZV_GetFileName("D:\\Photos\\beach.jpg"), "beach.jpg");
    CheckText(ZV_ParseLine("IMG_$(counterA,04)_$(width)x$(height)_$(filetitle)", "%Y", "D:\\Photos\\", "beach.jpg",
                           "beach", 640, 480, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0),
              "IMG_0007_640x480_beach");
    CheckText(ZV_RemoveSpaces("\r\nword one\f", 0, 1, 1), "word one");
    CheckText(ZV_GetFloatValue(ZvStringNew("-7.25 kg"), 0), "7.25");
    Check(ZV_OpenImageFile("no such folder\\missing.jpg", &pixels, &width, &height, 0.0, 0, 0) == 0 &&
          pixels == source);
    CheckText(ZV_GetISerror(), "2: error on file open");
    Check(ZV_DoesFolderExist(ZvStringNew(".")) == 1 && ZV_DoesFolderExist(ZvStringNew("no such folder")) == 0);
    Check(ZV_DoesFileExist(ZvStringNew("no such folder\\missing.jpg")) == 0);

    /* A kept window: its rectangle as given, moved, and the display copy fitted into it. */
    Check(ZvWindowGetRect(window, &rect) && Inside(&rect, 0, 0, 404, 304));
    Check(ZvWindowMove(window, &kMoved) && ZvWindowGetRect(window, &rect) && Inside(&rect, 10, 10, 110, 60));
    Check(ZvWindowNewOver(NULL) == NULL);
    for (i = 0; i < sizeof source; ++i) {
        source[i] = (uint8_t)(i % 3 == 0 ? 200 : 50);
    }
    Check(ZV_DisplayFrame(&pixels, &sourceWidth, &sourceHeight, &display, &displayWidth, &displayHeight, window) &&
          display != NULL && displayWidth == 96 && displayHeight == 48 && Near(display[3 * 100], 200) &&
          Near(display[3 * 100 + 1], 50));
    ZvFreeBuffer(display);
    ZvWindowFree(window);

    ZV_MakePalette(&palette);
    same = palette.handle != NULL && ZvPaletteEntryCount(&palette) == 256 &&
           ZvPaletteGetEntries(&palette, 0, 256, entries) == 256;
    for (i = 0; same && i < 256; ++i) {
        same = entries[i].peRed == (uint8_t)(16 * i) && entries[i].peGreen == (uint8_t)(4 * i) &&
               entries[i].peBlue == (uint8_t)i && entries[i].peFlags == 0;
    }
    Check(same);
    Check(ZvGdiObjectDelete(&palette) == 1 && palette.handle == NULL && ZvPaletteEntryCount(&palette) == 0);
    return failed;
}
