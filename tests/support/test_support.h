// Helpers shared by the tests: fresh temporary folders, capture of the host services,
// the public corpus, and reference decodes made with PIL.
#ifndef ZV_TESTS_SUPPORT_H
#define ZV_TESTS_SUPPORT_H

#include "zvdll.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zv::test {

// A new empty folder, removed with everything in it at the end of the scope. While
// `enter` is set, it is also the current folder.
class TempDir {
public:
    explicit TempDir(bool enter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    bool entered_;
};

// Installs host services that record every wait-cursor call and message box; restores the
// defaults at the end of the scope.
class HostServicesRecorder {
public:
    HostServicesRecorder();
    ~HostServicesRecorder();
    HostServicesRecorder(const HostServicesRecorder&) = delete;
    HostServicesRecorder& operator=(const HostServicesRecorder&) = delete;

    std::vector<std::string> messages;   // "caption: text"
    std::vector<std::string> texts;      // text only
    int cursorBegins = 0;
    int cursorEnds = 0;
    bool throwOnMessage = false;         // makes the message box throw std::runtime_error
};

// The public test corpus (../shared/corpus); empty when it is absent.
std::optional<std::filesystem::path> CorpusDir();
// Every regular file below `folder` (sorted), optionally only those whose extension
// (lower case, with dot) is one of `extensions`.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder,
                                           const std::vector<std::string>& extensions = {});

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3
};

// PIL's 8-bit RGB decode of `file` (see PilRender in pil_rendering.h), or nothing when PIL
// cannot read it, is not installed, or decodes to a mode without an 8-bit meaning.
std::optional<RgbImage> PilReference(const std::filesystem::path& file);

// Reads an 8-bit RGB or RGBA PNG (alpha dropped) with libpng, for reference renderings.
std::optional<RgbImage> ReadPngFile(const std::filesystem::path& file);

// Largest absolute difference between two images' bytes; -1 when their sizes differ.
int MaxDifference(const RgbImage& a, const uint8_t* pixels, int width, int height);

// Writes bytes to a file, creating or replacing it.
void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::filesystem::path& file);

} // namespace zv::test

#endif
