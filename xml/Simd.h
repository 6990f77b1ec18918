#pragma once

// Whether the scanning and escaping take their SSE2 paths. Every x86-64
// compiler offers SSE2, so the portable paths run only in a build with the
// option VORLAN_PORTABLE_SCAN, which the sanitizer run uses to test them.
#if defined(__SSE2__) && !defined(VORLAN_PORTABLE_SCAN)
#define VORLAN_SSE2 1
#include <emmintrin.h>
#else
#define VORLAN_SSE2 0
#endif
