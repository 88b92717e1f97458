// Turning the command line's inputs into the list of image files to work on.
#ifndef ZVTOOL_INPUTS_H
#define ZVTOOL_INPUTS_H

#include <string>
#include <vector>

namespace zvtool {

// True for a name whose extension the library opens: every family ZV_GetExtType classifies
// except icons, plus Photo CD and generic .raw files, which the library opens but
// ZV_GetExtType has no code for.
bool IsOpenableImageName(const std::string& name);

struct InputList {
    std::vector<std::string> files;    // in order: named files as given, folders' files sorted
    std::vector<std::string> missing;  // inputs that don't exist
};

// Files are taken as given; folders contribute their openable files (not recursively), sorted
// by name.
InputList ExpandInputs(const std::vector<std::string>& inputs);

} // namespace zvtool

#endif
