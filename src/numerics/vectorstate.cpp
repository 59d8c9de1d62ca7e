// Clearing the upper vector state with VZEROUPPER where the processor has AVX.
#include "numerics/vectorstate.h"

namespace gyro {

#if defined(__x86_64__) || defined(__i386__)

namespace {

__attribute__((target("avx"))) void zeroUpper() {
    __builtin_ia32_vzeroupper();
}

} // namespace

void clearUpperVectorState() {
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) zeroUpper();
}

#else

void clearUpperVectorState() {}

#endif

} // namespace gyro
