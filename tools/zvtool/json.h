// Just enough JSON writing for machine-readable output.
#ifndef ZVTOOL_JSON_H
#define ZVTOOL_JSON_H

#include <string>

namespace zvtool {

// The text as a JSON string literal, quotes included; bytes that are not valid UTF-8 are
// written as U+FFFD so the output always parses.
std::string JsonString(const std::string& text);
// A finite number as JSON, or null.
std::string JsonNumber(double value);

} // namespace zvtool

#endif
