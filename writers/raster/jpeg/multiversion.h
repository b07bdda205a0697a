// Hot loops are written so the compiler can vectorise them, and compiled
// twice on x86-64: for AVX2 (chosen at load time when the processor has it)
// and for the baseline. Integer arithmetic only, so both give the same bits.
#pragma once

#if defined(__x86_64__) && defined(__has_attribute)
#if __has_attribute(target_clones) && !defined(KARTEX_NO_MULTIVERSION)
#define KARTEX_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef KARTEX_VECTOR_CLONES
#define KARTEX_VECTOR_CLONES
#endif

// Bit-twiddling code (the Huffman coder) gains from LZCNT and BMI2, which
// come with AVX2 in the x86-64-v3 level. GCC only: clang names levels differently.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(KARTEX_NO_MULTIVERSION)
#define KARTEX_BITS_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define KARTEX_BITS_CLONES
#endif

// Hand-written AVX2 paths, chosen at run time; each keeps a plain reference.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(KARTEX_NO_MULTIVERSION)
#define KARTEX_HAVE_AVX2_PATH 1
#else
#define KARTEX_HAVE_AVX2_PATH 0
#endif
