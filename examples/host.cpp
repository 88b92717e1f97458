// A small host: how an application uses ZVDll. It links libzvdll.so, includes <zvdll.h>
// and prints what the exports return.
#include <zvdll.h>

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

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "D:\\Photos\\2006\\img_001.jpg";
    ShowPathPieces(path);
    ShowNameTemplate(path);
    return 0;
}
