#include "Sse2Text.h"

#include <windows.h>

#include <emmintrin.h>

#include <TextCodec.h>

// Compiled for SSE2 whatever the module is compiled for, and kept apart in
// the code section the module's check allows vector instructions in.
#define SSE2_FUNCTION __attribute__((target("sse2"), section(".text$sse2"), noinline))

namespace TAXDK {
namespace Standard {

namespace {

// Forced by tests; read at every choice.
volatile LONG scalarForced = 0;

bool ProcessorHasSse2() {
    // Also false on a system that would not keep the vector registers
    // across thread switches.
    static const bool has = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
    return has;
}

}  // namespace

void ForceScalarText(bool scalar) { InterlockedExchange(&scalarForced, scalar ? 1 : 0); }

bool Sse2Text() { return !scalarForced && ProcessorHasSse2(); }

SSE2_FUNCTION size_t Sse2Widen(const unsigned char* bytes, size_t size, const wchar_t* unit, wchar_t* out) {
    const __m128i zero = _mm_setzero_si128();
    size_t done = 0;
    for (; size - done >= 16; done += 16) {
        const unsigned char* p = bytes + done;
        wchar_t* o = out + done;
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(block)) {
            for (int i = 0; i < 16; ++i) o[i] = unit[p[i]];
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(block, zero));
        }
    }
    return done;
}

SSE2_FUNCTION size_t Sse2NarrowAscii(const wchar_t* text, size_t count, char* out) {
    const __m128i zero = _mm_setzero_si128();
    size_t done = 0;
    for (; count - done >= 16; done += 16) {
        const wchar_t* p = text + done;
        __m128i packed = _mm_packus_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(p)),
                                          _mm_load_si128(reinterpret_cast<const __m128i*>(p + 8)));
        // 0x80 and above (larger units saturate to 0xFF), or a terminator.
        if (_mm_movemask_epi8(packed) | _mm_movemask_epi8(_mm_cmpeq_epi8(packed, zero))) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), packed);
    }
    return done;
}

}  // namespace Standard
}  // namespace TAXDK
