#include "paths/path_split.h"

namespace zv::paths {
namespace {

constexpr char kSeparator = '\\';

// Asked of ReverseFind rather than of the last byte, which in a double-byte code page may be
// the trail byte 0x5C of a character.
bool EndsWithBackslash(const CString& path)
{
    return !path.IsEmpty() && path.ReverseFind(kSeparator) == path.GetLength() - 1;
}

} // namespace

CString FolderPath(const CString& path)
{
    return path.Left(path.ReverseFind(kSeparator));
}

CString FolderPathPlusBackslash(const CString& path)
{
    return path.Left(path.ReverseFind(kSeparator) + 1);
}

CString FileName(const CString& path)
{
    const int nameStart = path.ReverseFind(kSeparator) + 1;
    return path.Mid(nameStart, path.GetLength() - nameStart);
}

CString FileTitle(const CString& path)
{
    const int nameStart = path.ReverseFind(kSeparator) + 1;
    const int lastDot = path.ReverseFind('.');
    // A dot in a folder name, or a name's leading dot, does not start an extension.
    const int end = lastDot > nameStart ? lastDot : path.GetLength();
    return path.Mid(nameStart, end - nameStart);
}

CString FileExtension(const CString& path)
{
    const int lastDot = path.ReverseFind('.');
    if (lastDot < 1) {
        return CString();
    }
    return path.Right(path.GetLength() - lastDot);
}

CString AddBackslash(const CString& path)
{
    return EndsWithBackslash(path) ? path : path + kSeparator;
}

CString RemoveBackslash(const CString& path)
{
    return EndsWithBackslash(path) ? path.Left(path.GetLength() - 1) : path;
}

} // namespace zv::paths
