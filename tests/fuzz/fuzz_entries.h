// One entry per fuzzed operation. The libFuzzer programs and the corpus replay test call the
// same functions, so a regression input found by fuzzing is checked in every normal test run.
#ifndef ZV_TESTS_FUZZ_ENTRIES_H
#define ZV_TESTS_FUZZ_ENTRIES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv::fuzz {

using Entry = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;  // also the folder of its corpus: tests/fuzz/corpus/<name>
    Entry entry;
};

// Every target, by name.
const std::vector<Target>& Targets();
Entry FindEntry(const std::string& name);

} // namespace zv::fuzz

#endif
