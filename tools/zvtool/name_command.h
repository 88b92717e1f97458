// zvtool name: prints a template's expansion.
#ifndef ZVTOOL_NAME_COMMAND_H
#define ZVTOOL_NAME_COMMAND_H

#include "batch/output_names.h"

#include <optional>
#include <string>

namespace zvtool {

struct NameOptions {
    std::string nameTemplate;
    std::string file;            // gives $(filepath), $(filename), $(filetitle)
    std::optional<Size> size;    // gives $(width), $(height), $(size)
    Counters counters;
    std::string dateFormat = "%Y%m%d";
};

std::string ExpandForCommandLine(const NameOptions& options);

} // namespace zvtool

#endif
