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

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "D:\\Photos\\2006\\img_001.jpg";
    ShowPathPieces(path);
    return 0;
}
