// What the processor offers beyond the x86-64 baseline, for code that picks its vector loops
// at run time.
#ifndef ZV_IMAGING_CPU_H
#define ZV_IMAGING_CPU_H

namespace zv::imaging {

// True when the processor and the operating system support AVX2.
bool ProcessorHasAvx2();

} // namespace zv::imaging

#endif
