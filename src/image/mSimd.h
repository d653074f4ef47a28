#pragma once
// Run-time dispatch for vectorised loops. The shipped binary must run on any x86-64, so hot
// functions are compiled several times and the loader picks the best the processor supports.
// Put BRENNIC_SIMD_CLONES before a function whose loops the compiler vectorises. Elsewhere
// (AArch64, sanitizer builds) it expands to nothing and the baseline code runs. The AVX-512 clone
// is named by its ISA level (F, BW, DQ, VL): GCC 12 rejects "avx512bw" in target_clones.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define BRENNIC_SIMD_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define BRENNIC_SIMD_CLONES
#endif

// Hand-written AVX-512BW loops (intrinsics in a function of their own with
// __attribute__((target("avx512f,avx512bw")))) run where CpuHasAvx512BW() says so; the generic
// loops above stay the way for every other processor and build.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define BRENNIC_AVX512_LOOPS 1
inline bool CpuHasAvx512BW() {
  static const bool bHas =
      __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  return bHas;
}
// AVX-512BW with the byte permutations of AVX-512VBMI (table look-ups of 64 and 128 bytes).
inline bool CpuHasAvx512Vbmi() {
  static const bool bHas = CpuHasAvx512BW() && __builtin_cpu_supports("avx512vbmi") != 0;
  return bHas;
}
#endif
