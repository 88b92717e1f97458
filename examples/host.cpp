// A small host: how an application uses ZVDll. It links libzvdll.so (on Windows zvdll.dll
// through libzvdll.dll.a), includes <zvdll.h> and prints what the exports return.
#if defined(_WIN32)
#  include <windows.h>
#endif
#include <zvdll.h>

#include <cstdint>
#include <cstdio>

namespace {

void ShowPathPieces(const char* path)
{
    std::printf("path          %s\n", path);
    std::printf("  folder      %s\n", ZV_GetFolderPath(path).GetString());
    std::printf("  folder + \\  %s\n", ZV_GetFolderPathPlusBS(path).GetString());
    std::printf("  name        %s\n", ZV_GetFileName(path).GetString());
    std::printf("  title       %s\n", ZV_GetFileTitle(path).GetString());
    std::printf("  extension   %s\n", ZV_GetFileExt(path).GetString());
    std::printf("  add \\       %s\n", ZV_AddBackSlash(path).GetString());
    std::printf("  remove \\    %s\n", ZV_RemoveBackSlash(path).GetString());
}

// Names an output file the way a batch converter would: counter A is the running number,
// the image's size and the source file's title come from the opened image.
void ShowNameTemplate(const char* path)
{
    const char* templateText = "IMG_$(counterA,04)_$(width)x$(height)_$(filetitle)_$(date,%Y-%m-%d).png";
    const zv::CString folder = ZV_GetFolderPathPlusBS(path);
    const zv::CString name = ZV_GetFileName(path);
    const zv::CString title = ZV_GetFileTitle(path);
    const zv::CString expanded = ZV_ParseLine(templateText, "%Y%m%d", folder, name, title,
                                              640, 480, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    std::printf("template      %s\n", templateText);
    std::printf("  expanded    %s\n", expanded.GetString());
    std::printf("  date stamp  %s\n", ZV_GetDate("%H:%M:%S").GetString());
}

// What a viewer does with an image file: measure it, open it, blur it, and make the display
// copy for its window. A failure is explained by ZV_GetISerror().
void ShowImage(const char* path)
{
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    ZvDimInfo info{};
    std::printf("image         %s\n", path);
    if (!ZV_GetImageDims(path, &width, &height, &bits, &info)) {
        std::printf("  measure     failed: %s\n", ZV_GetISerror().GetString());
    } else {
        std::printf("  measured    %d x %d, %d bits per pixel\n", width, height, bits);
    }
    uint8_t* pixels = nullptr;
    if (!ZV_OpenImageFile(path, &pixels, &width, &height, 0.0, 0, 0)) {
        std::printf("  open        failed: %s\n", ZV_GetISerror().GetString());
        return;
    }
    std::printf("  opened      %d x %d RGB\n", width, height);

    uint8_t* work = new uint8_t[static_cast<size_t>(width) * height * 3];
    const bool inWork = ZV_BlurGaussian(pixels, width, height, 2.5, work) != 0;
    std::printf("  blurred     amount 2.5, result in %s\n", inWork ? "work" : "image");

    zv::CWnd window(zv::CRect(0, 0, 404, 304));
    uint8_t* source = inWork ? work : pixels;
    uint32_t sourceWidth = static_cast<uint32_t>(width);
    uint32_t sourceHeight = static_cast<uint32_t>(height);
    uint8_t* display = nullptr;
    uint32_t displayWidth = 0;
    uint32_t displayHeight = 0;
    if (ZV_DisplayFrame(&source, &sourceWidth, &sourceHeight, &display, &displayWidth, &displayHeight, &window)) {
        std::printf("  display     %u x %u for a 404 x 304 window\n", displayWidth, displayHeight);
    }
    // The library's buffers go back to the library; `work` is the host's own.
    ZvFreeBuffer(display);
    ZvFreeBuffer(pixels);
    delete[] work;
}

// A Windows host hands the library its own window: the CWnd asks the system for the
// rectangle, so the display copy always fits the window as it is now.
void ShowRealWindow()
{
#if defined(_WIN32)
    HWND handle = CreateWindowExA(0, "STATIC", "ZVDll host", WS_OVERLAPPEDWINDOW, 100, 80, 404, 304, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (handle == nullptr) {
        std::printf("window        none could be made (no display)\n");
        return;
    }
    zv::CWnd window(handle);
    zv::RECT rect{};
    if (window.GetWindowRect(&rect)) {
        std::printf("window        a real window at %d,%d, %d x %d\n", rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top);
    }
    window.Detach();
    DestroyWindow(handle);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "D:\\Photos\\2006\\img_001.jpg";
    ShowPathPieces(path);
    ShowNameTemplate(path);
    ShowImage(path);
    ShowRealWindow();
    return 0;
}
