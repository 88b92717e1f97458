// One file of a batch: opened, blurred, fitted and encoded under a temporary name beside its
// final one, then moved to the final name.
#ifndef ZVTOOL_CONVERT_H
#define ZVTOOL_CONVERT_H

#include "batch.h"

#include <optional>
#include <string>

namespace zvtool {

struct PreparedFile {
    std::string target;     // the final name, a POSIX path
    std::string temporary;  // the complete file, in the same folder as the target
};

// Converts `input` into a temporary file named `target` + `temporarySuffix`. Nothing, with
// `error` set, when the file cannot be opened or written, when the template's name is
// refused, or when the target exists and may not be replaced.
std::optional<PreparedFile> PrepareFile(const std::string& input, const std::string& folder,
                                        const BatchOptions& options, const Counters& counters,
                                        const std::string& temporarySuffix, std::string* error);

// Gives the prepared file its final name in one step, so that no reader ever sees part of
// it there. Without `overwrite`, an existing target (also one that another process created
// since the file was prepared) is kept and the temporary file removed.
bool CommitFile(const PreparedFile& file, bool overwrite, std::string* error);

} // namespace zvtool

#endif
