// The libFuzzer program of one target; the target's name is fixed when it is built.
#include "tests/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const zv::fuzz::Entry entry = zv::fuzz::FindEntry(ZV_FUZZ_TARGET);
    entry(data, size);
    return 0;
}
