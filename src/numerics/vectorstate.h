// The processor's wide-vector state around long computations.
#pragma once

namespace gyro {

/// Marks the upper halves of the processor's 256-bit vector registers as clean (x86 with AVX;
/// nothing elsewhere). Library code (string and memory routines of the C and Qt libraries)
/// may leave them dirty, and while they are, every scalar SSE instruction of the integrator
/// waits on them: a run is then several times slower. Called before each slice of a run.
void clearUpperVectorState();

} // namespace gyro
