#include "imaging/core/cpu.h"

namespace zv::imaging {

bool ProcessorHasAvx2()
{
#if defined(__x86_64__)
    static const bool hasAvx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return hasAvx2;
#else
    return false;
#endif
}

} // namespace zv::imaging
