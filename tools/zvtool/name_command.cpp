#include "name_command.h"

namespace zvtool {

std::string ExpandForCommandLine(const NameOptions& options)
{
    const Size size = options.size.value_or(Size{});
    return ExpandName(options.nameTemplate, options.dateFormat, options.file, size.width, size.height,
                      options.counters);
}

} // namespace zvtool
