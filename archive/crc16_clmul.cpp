// Folding CRC-16 (reflected 0xA001, i.e. x^16 + x^15 + x^2 + 1).
//
// A 128-bit register holds a block as the CRC reads it: bit k of the little-endian value is
// the coefficient of x^(127 - k), so its low quadword H holds the high-order half and its high
// quadword L the low-order half, X = H x^64 + L. Moving X forward by e bits (X x^e, to sit
// beside the data that follows) only has to stay congruent modulo P, so
//
//     X x^e  ==  H (x^(e+64) mod P) + L (x^e mod P)       (mod P)
//
// Each term is one 64 x 64 carry-less multiplication. In this bit order the product of two
// quadwords, read as a 128-bit register, is the polynomial product times x, which the
// constants take back: they hold x^(n-1) mod P. Their degree is below 16, so every product
// stays below x^80 and fits the register. Four registers run 64 bytes apart (e = 512) and
// are then folded into one (e = 128); the register left over is congruent to the whole
// message, and its own 16 bytes, run through the table, give the same remainder. The
// starting CRC is folded into the first two bytes, as the table method does byte by byte.
#include "archive/crc16_clmul.h"
#include "archive/crc16.h"

#include <immintrin.h>

namespace {

// x^n mod P, coefficients in natural order.
constexpr uint64_t power_mod(unsigned n) {
    uint32_t r = 1;
    for (unsigned i = 0; i < n; i++) {
        r <<= 1;
        if (r & 0x10000)
            r ^= 0x18005;
    }
    return r;
}

// The quadword for "times x^n": x^(n-1) mod P with the coefficient of x^d at bit 63 - d.
constexpr int64_t times_x(unsigned n) {
    uint64_t r = power_mod(n - 1), q = 0;
    for (unsigned d = 0; d < 16; d++)
        if (r >> d & 1)
            q |= 1ull << (63 - d);
    return (int64_t)q;
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i clmul_fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("sse4.1"))) inline __m128i clmul_load(const uint8_t *p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
}

} // namespace

__attribute__((target("pclmul,sse4.1"))) uint16_t
crc16_clmul_update(uint16_t crc, const uint8_t *data, size_t size) {
    if (size < 16)
        return crc16_table_update(crc, data, (int32_t)size);
    const __m128i by128 = _mm_set_epi64x(times_x(128), times_x(192));
    __m128i x = _mm_xor_si128(clmul_load(data), _mm_cvtsi32_si128(crc));
    data += 16;
    size -= 16;
    if (size >= 48) {
        const __m128i by512 = _mm_set_epi64x(times_x(512), times_x(576));
        __m128i x1 = clmul_load(data), x2 = clmul_load(data + 16), x3 = clmul_load(data + 32);
        data += 48;
        size -= 48;
        for (; size >= 64; data += 64, size -= 64) {
            x = _mm_xor_si128(clmul_fold(x, by512), clmul_load(data));
            x1 = _mm_xor_si128(clmul_fold(x1, by512), clmul_load(data + 16));
            x2 = _mm_xor_si128(clmul_fold(x2, by512), clmul_load(data + 32));
            x3 = _mm_xor_si128(clmul_fold(x3, by512), clmul_load(data + 48));
        }
        x = _mm_xor_si128(clmul_fold(x, by128), x1);
        x = _mm_xor_si128(clmul_fold(x, by128), x2);
        x = _mm_xor_si128(clmul_fold(x, by128), x3);
    }
    for (; size >= 16; data += 16, size -= 16)
        x = _mm_xor_si128(clmul_fold(x, by128), clmul_load(data));
    alignas(16) uint8_t block[16];
    _mm_store_si128(reinterpret_cast<__m128i *>(block), x);
    return crc16_table_update(crc16_table_update(0, block, 16), data, (int32_t)size);
}
