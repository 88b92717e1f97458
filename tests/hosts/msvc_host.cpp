// A C++ host built as an MSVC or clang-cl application is: the MSVC ABI, the installed headers
// only, linked through zvdll.lib, and no C runtime at all, so that nothing of the library's
// runtime can be shared by accident. Every string, window, palette and pixel buffer must
// therefore be made and released inside the library. It runs in the folder that zvsamples
// wrote, prints "N passed, M failed" and exits with M.
#include <zvdll.h>

// The system functions the host calls, declared as the system's headers declare them.
extern "C" {
typedef unsigned long DWORD;
typedef int BOOL;
struct ProcessMemory {  // PROCESS_MEMORY_COUNTERS
    DWORD size, pageFaults;
    size_t peakWorkingSet, workingSet, quotaPeakPaged, quotaPaged, quotaPeakNonPaged, quotaNonPaged,
        pagefileUsage, peakPagefileUsage;
};
__declspec(dllimport) void* __stdcall GetStdHandle(DWORD which);
__declspec(dllimport) BOOL __stdcall WriteFile(void* file, const void* bytes, DWORD count, DWORD* written,
                                               void* overlapped);
__declspec(dllimport) void* __stdcall GetCurrentProcess();
__declspec(dllimport) BOOL __stdcall K32GetProcessMemoryInfo(void* process, ProcessMemory* memory, DWORD size);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) HWND__* __stdcall CreateWindowExA(DWORD exStyle, const char* windowClass, const char* name,
                                                        DWORD style, int x, int y, int width, int height,
                                                        HWND__* parent, void* menu, void* instance, void* param);
__declspec(dllimport) BOOL __stdcall DestroyWindow(HWND__* window);
__declspec(dllimport) BOOL __stdcall GetWindowRect(HWND__* window, ZvRect* rect);  // RECT's layout

// What the compiler expects of a C runtime: the marker that floating point is used, and the
// memset that it calls to zero structures.
int _fltused = 0;
void* memset(void* to, int value, size_t count)
{
    for (unsigned char* p = static_cast<unsigned char*>(to); count-- > 0;) *p++ = static_cast<unsigned char>(value);
    return to;
}
}

namespace {

int passed = 0;
int failed = 0;

void Print(const char* text)
{
    DWORD length = 0, written = 0;
    while (text[length] != '\0') ++length;
    WriteFile(GetStdHandle(static_cast<DWORD>(-11)), text, length, &written, nullptr);
}

void Check(bool ok, const char* what)
{
    ok ? ++passed : ++failed;
    if (!ok) {
        Print("FAILED: ");
        Print(what);
        Print("\n");
    }
}

int Distance(int a, int b) { return a > b ? a - b : b - a; }

// Two RGB pixels that differ by less than `tolerance` in every channel.
bool Near(const uint8_t* a, const uint8_t* b, int tolerance)
{
    return Distance(a[0], b[0]) < tolerance && Distance(a[1], b[1]) < tolerance && Distance(a[2], b[2]) < tolerance;
}

// The process's committed private bytes (its pagefile usage): the heap that a leak in the
// library would grow.
size_t PrivateBytes()
{
    ProcessMemory memory{};
    memory.size = sizeof memory;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.pagefileUsage : 0;
}

// Each string-returning export with its expected text. ZV_GetFloatValue also takes its
// argument by value, which the library must release.
struct StringCase {
    const char* what;
    zv::CString (*call)();
    const char* expected;
};
const StringCase kStringCases[] = {
    {"ZV_GetFileName", [] { return ZV_GetFileName("D:\\Photos\\beach.jpg"); }, "beach.jpg"},
    {"ZV_ParseLine",
     [] {
         return ZV_ParseLine("IMG_$(counterA,04)_$(width)x$(height)_$(filetitle)", "%Y", "D:\\Photos\\", "beach.jpg",
                             "beach", 640, 480, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0);
     },
     "IMG_0007_640x480_beach"},
    {"ZV_RemoveSpaces", [] { return ZV_RemoveSpaces("\r\nword one\f", 0, 1, 1); }, "word one"},
    {"ZV_GetISerror", [] { return ZV_GetISerror(); }, "2: error on file open"},
    {"ZV_GetFloatValue", [] { return ZV_GetFloatValue(zv::CString("-7.25 kg"), 0); }, "7.25"},
};

bool StringsAsExpected()
{
    bool all = true;
    for (const StringCase& row : kStringCases) all = all && row.call() == row.expected;
    return all;
}

// A real window of the host's and a window object built from a rectangle: the display copy
// fills the window less its margin on one side, keeps the proportions and the picture.
void CheckDisplay(const uint8_t* pixels, int32_t width, int32_t height)
{
    HWND__* real = CreateWindowExA(0, "STATIC", "zvdll", 0x80000000 /* WS_POPUP */, 40, 30, 300, 150, nullptr,
                                   nullptr, nullptr, nullptr);
    Check(real != nullptr, "CreateWindowExA");
    zv::CWnd over(real);
    zv::CWnd kept(zv::CRect(0, 0, 404, 304));
    ZvRect system{}, reported{};
    Check(over.GetSafeHwnd() == real && GetWindowRect(real, &system) && over.GetWindowRect(&reported) &&
              reported.left == system.left && reported.top == system.top && reported.right == system.right &&
              reported.bottom == system.bottom,
          "CWnd over a real window");
    zv::CWnd* const windows[] = {&over, &kept};
    for (zv::CWnd* window : windows) {
        zv::CRect frame;
        window->GetWindowRect(&frame);
        uint8_t* source = const_cast<uint8_t*>(pixels);
        uint32_t sourceWidth = static_cast<uint32_t>(width), sourceHeight = static_cast<uint32_t>(height);
        uint8_t* display = nullptr;
        uint32_t w = 0, h = 0;
        const bool made = ZV_DisplayFrame(&source, &sourceWidth, &sourceHeight, &display, &w, &h, window) == 1;
        const int across = frame.Width() - 4, down = frame.Height() - 4;
        const bool fits = (static_cast<int>(w) == across && static_cast<int>(h) <= down + 4) ||
                          (static_cast<int>(h) == down && static_cast<int>(w) <= across);
        const bool proportional = Distance(static_cast<int>(w) * height, static_cast<int>(h) * width) < width + height;
        Check(made && display != nullptr && fits && proportional &&
                  Near(display + (static_cast<size_t>(h / 2) * w + w / 2) * 3,
                       pixels + (static_cast<size_t>(height / 2) * width + width / 2) * 3, 16),
              window == &over ? "ZV_DisplayFrame on a real window" : "ZV_DisplayFrame on a rectangle");
        ZvFreeBuffer(display);
    }
    DestroyWindow(real);
}

void CheckPalette()
{
    zv::CPalette palette;
    ZV_MakePalette(&palette);
    zv::PALETTEENTRY entries[256];
    bool same = palette.GetSafeHandle() != nullptr && palette.GetEntryCount() == 256 &&
                palette.GetPaletteEntries(0, 256, entries) == 256;
    for (unsigned i = 0; same && i < 256; ++i) {
        same = entries[i].peRed == static_cast<uint8_t>(16 * i) && entries[i].peGreen == static_cast<uint8_t>(4 * i) &&
               entries[i].peBlue == i && entries[i].peFlags == 0;
    }
    Check(same, "ZV_MakePalette into a CPalette");
}

// The JPEG against the lossless BMP of the same picture: same size, nearly the same pixels.
void CheckImages()
{
    uint8_t* pixels = nullptr;
    uint8_t* reference = nullptr;
    int32_t width = 0, height = 0, referenceWidth = 0, referenceHeight = 0;
    const bool opened = ZV_OpenImageFile("sample.jpg", &pixels, &width, &height, 0.0, 0, 0) == 1 &&
                        ZV_OpenImageFile("sample.bmp", &reference, &referenceWidth, &referenceHeight, 0.0, 0, 0) == 1;
    Check(opened && width == referenceWidth && height == referenceHeight && width > 16, "ZV_OpenImageFile sizes");
    if (!opened) {
        return;
    }
    const size_t middle = (static_cast<size_t>(height / 2) * width + width / 2) * 3;
    Check(Near(pixels + middle, reference + middle, 12), "ZV_OpenImageFile pixel");
    CheckDisplay(pixels, width, height);
    ZvFreeBuffer(reference);
    ZvFreeBuffer(pixels);
}

} // namespace

extern "C" void HostMain()
{
    // Both ask whether there is an entry of either kind.
    Check(ZV_DoesFileExist(zv::CString("sample.jpg")) == 1 && ZV_DoesFileExist("missing.jpg") == 0, "ZV_DoesFileExist");
    Check(ZV_DoesFolderExist(zv::CString(".")) == 1 && ZV_DoesFolderExist("missing") == 0, "ZV_DoesFolderExist");

    uint8_t* none = nullptr;
    int32_t width = 0, height = 0;
    Check(ZV_OpenImageFile("missing.jpg", &none, &width, &height, 0.0, 0, 0) == 0 && none == nullptr,
          "ZV_OpenImageFile of a missing file");
    for (const StringCase& row : kStringCases) Check(row.call() == row.expected, row.what);
    CheckPalette();
    CheckImages();

    // Memory: one round first, so that the heap has settled; then the private bytes may not grow
    // by a mebibyte over 100,000 rounds of strings and 200 opened and released images.
    ZV_OpenImageFile("missing.jpg", &none, &width, &height, 0.0, 0, 0);
    bool strings = StringsAsExpected();
    const size_t before = PrivateBytes();
    for (int round = 0; round < 100000; ++round) strings = StringsAsExpected() && strings;
    const size_t afterStrings = PrivateBytes();
    Check(strings, "strings over 100,000 rounds");
    Check(before != 0 && afterStrings < before + (1u << 20), "memory after 100,000 rounds of strings");
    bool opened = true;
    for (int round = 0; round < 200; ++round) {
        uint8_t* pixels = nullptr;
        opened = ZV_OpenImageFile("sample.jpg", &pixels, &width, &height, 0.0, 0, 0) == 1 && opened;
        ZvFreeBuffer(pixels);
    }
    Check(opened && PrivateBytes() < afterStrings + (1u << 20), "memory after 200 images opened and released");

    // The host's va_list reaches the library's formatting: both ABIs pass it as a pointer.
    zv::CString summary;
    summary.Format("%d passed, %d failed\n", passed, failed);
    Print(summary);
    ExitProcess(static_cast<unsigned>(failed));
}
