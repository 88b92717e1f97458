// Reference decodes of layered files made with PIL, for the readers that show a composite.
#ifndef ZV_TESTS_PIL_COMPOSITE_H
#define ZV_TESTS_PIL_COMPOSITE_H

#include "tests/support/test_support.h"

#include <filesystem>
#include <optional>

namespace zv::test {

// PIL's decode of `file` as it opens, converted to RGB, without seeking to a frame: for a
// Photoshop document that is the merged image, which PilReference cannot give (PIL numbers
// layers from 1 and refuses frame 0). Nothing when PIL cannot read the file. Cached in the
// build folder.
std::optional<RgbImage> PilCompositeReference(const std::filesystem::path& file);

} // namespace zv::test

#endif
