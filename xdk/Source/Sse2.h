// The vector instructions of the text tables. Every x86 build takes the
// vector paths; a 32-bit one needs -msse2 for them.
#pragma once

#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2__)
#error "x86 builds are compiled with -msse2"
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
