// Naming output files from a template, and preparing the output folder.
#ifndef ZVTOOL_OUTPUT_NAMES_H
#define ZVTOOL_OUTPUT_NAMES_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>

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
// the file's folder is given to the template in that form.
std::string ExpandName(const std::string& nameTemplate, const std::string& dateFormat,
                       const std::string& sourceFile, uint32_t width, uint32_t height,
                       const Counters& counters);

// Appends the format's extension unless the name already ends in it (any letter case).
std::string WithExtension(const std::string& name, const std::string& extension);

// Resolves "<INSTALL_FOLDER>" and "<TEMP_FOLDER>" at the start of the output folder and makes
// sure the folder exists, creating every missing level. Returns the folder as a POSIX path, or
// nothing (with `error` set) when it can't be created.
std::optional<std::string> PrepareOutputFolder(const std::string& outputFolder, std::string* error);

} // namespace zvtool

#endif
