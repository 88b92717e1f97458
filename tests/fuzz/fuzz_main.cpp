// The libFuzzer program of one target; the target's name is fixed when it is built.
#include "tests/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const zv::fuzz::Entry entry = zv::fuzz::FindEntry(ZV_FUZZ_TARGET);
    entry(data, size);
    return 0;
}

// fontconfig keeps parts of its parsed configuration, and cairo one resolved pattern for each
// installed family, style and weight it was asked for, where LeakSanitizer cannot see them:
// bounded, process-wide caches rather than leaks of a reader. Our own fontconfig calls are
// few and pair every create with a destroy.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
