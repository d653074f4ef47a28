#pragma once
// Run-time dispatch for vectorised loops. The shipped binary must run on any x86-64, so hot
// functions are compiled several times and the loader picks the best the processor supports.
// Put BRENNIC_SIMD_CLONES before a function whose loops the compiler vectorises. Elsewhere
// (AArch64, sanitizer builds) it expands to nothing and the baseline code runs.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
// GCC 12 accepts AVX-512 clones only as an architecture level: x86-64-v4 is AVX-512 F, BW, CD,
// DQ and VL.
#define BRENNIC_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define BRENNIC_SIMD_CLONES
#endif
