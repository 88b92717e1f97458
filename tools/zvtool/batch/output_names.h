// Naming output files from a template, and preparing the output folder.
#ifndef ZVTOOL_OUTPUT_NAMES_H
#define ZVTOOL_OUTPUT_NAMES_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

// The ten template counters, A to J.
struct Counters {
    std::array<int32_t, 10> values{};
};

// Parses "A=5" (letter A..J, case-insensitive, then an integer) into counters.
bool ParseCounter(const std::string& text, Counters* counters, std::string* error);

struct Size {
    uint32_t width = 0;
    uint32_t height = 0;
};
std::optional<Size> ParseSize(const std::string& text);  // "640x480"

// The template's expansion for one file. The library's templates speak in backslash paths, so
// the file's folder is given to the template in that form. `date` is the instant $(date)
// shows, as EXIF writes dates ("2024:07:14 09:30:00"); empty for the current time.
std::string ExpandName(const std::string& nameTemplate, const std::string& dateFormat,
                       const std::string& sourceFile, uint32_t width, uint32_t height,
                       const Counters& counters, const std::string& date = {});

// Where a template puts a file below the output folder: the subfolders, outermost first, and
// the file's name.
struct PlaceInFolder {
    std::vector<std::string> subfolders;
    std::string fileName;
};

// Splits a template's result at its folder separators: the backslash, the library's, and "/",
// which is the same on POSIX. Empty and "." levels are dropped. Nothing, with `error` set, for
// a result that would leave the output folder (an absolute or network path, a drive letter, a
// ".." level) or that ends without a file name.
std::optional<PlaceInFolder> SplitOutputName(const std::string& expanded, std::string* error);

// Makes sure `folder`/`subfolders` exists, creating the missing levels below `folder` (which
// exists) through the library. False when a level cannot be created.
bool CreateSubfolders(const std::string& folder, const std::vector<std::string>& subfolders);

// Appends the format's extension unless the name already ends in it (any letter case).
std::string WithExtension(const std::string& name, const std::string& extension);

// Resolves "<INSTALL_FOLDER>" and "<TEMP_FOLDER>" at the start of the output folder and makes
// sure the folder exists, creating every missing level. Returns the folder as a POSIX path, or
// nothing (with `error` set) when it can't be created.
std::optional<std::string> PrepareOutputFolder(const std::string& outputFolder, std::string* error);

} // namespace zvtool

#endif
