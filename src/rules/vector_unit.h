// vector_unit.h - the processor's vector units that the program's inner loops run on. A run
// picks one at its start (simulation/trial_lanes.h) and plays its trials and works out its plans
// on it; every unit gives the same bits.
#ifndef QUORVANTELMIX_VECTOR_UNIT_H
#define QUORVANTELMIX_VECTOR_UNIT_H

// A vector unit of the processor, by its width.
enum class VectorUnit {
    sse2,    // 128 bits: every x86 processor of this program has it
    avx2,    // 256 bits (64-bit builds)
    avx512,  // 512 bits (64-bit builds)
};

// The wider units, on 64-bit x86 outside Windows. The 32-bit program keeps to SSE2, and GCC
// for 64-bit Windows keeps 32- and 64-byte vectors on a stack that Windows aligns to 16 bytes
// only, where its aligned stores fault.
#if defined(__x86_64__) && !defined(_WIN32)
#define QUORVANTELMIX_WIDE_UNITS 1
#endif

#endif
