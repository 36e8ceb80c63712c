#include "audio/PcmConversion.h"

#include <algorithm>
#include <cstring>

void pcm_to_int32(int32_t* destination, const void* source, int32_t count, int32_t bits) {
    const uint8_t* in = static_cast<const uint8_t*>(source);
    for (int32_t i = 0; i < count; ++i) {
        switch (bits) {
            case 8:
                destination[i] = static_cast<int8_t>(in[i]);
                break;
            case 16:
                destination[i] = static_cast<int16_t>(in[2 * i] | in[2 * i + 1] << 8);
                break;
            case 24: {
                const uint8_t* s = in + 3 * i;
                uint32_t value = s[0] | s[1] << 8 | static_cast<uint32_t>(s[2]) << 16;
                // Sign-extend from bit 23.
                destination[i] = static_cast<int32_t>(value << 8) >> 8;
                break;
            }
            case 32: {
                const uint8_t* s = in + 4 * i;
                destination[i] = static_cast<int32_t>(s[0] | s[1] << 8 | s[2] << 16 |
                                                      static_cast<uint32_t>(s[3]) << 24);
                break;
            }
            default:
                destination[i] = 0;
        }
    }
}

void mix_clipped(int32_t* accumulator, const int32_t* source, int32_t count, int32_t bits) {
    int64_t low = INT32_MIN;
    int64_t high = INT32_MAX;
    if (bits == 8 || bits == 16 || bits == 24) {
        high = (int64_t{1} << (bits - 1)) - 1;
        low = -high - 1;
    }
    for (int32_t i = 0; i < count; ++i) {
        int64_t sum = int64_t{accumulator[i]} + source[i];
        accumulator[i] = static_cast<int32_t>(std::clamp(sum, low, high));
    }
}

void int32_to_pcm(void* destination, const int32_t* source, int32_t bytes, int32_t bits) {
    uint8_t* out = static_cast<uint8_t*>(destination);
    int32_t width = bits / 8;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        if (bytes > 0) std::memset(out, 0, static_cast<size_t>(bytes));
        return;
    }
    for (int32_t i = 0; (i + 1) * width <= bytes; ++i) {
        uint32_t value = static_cast<uint32_t>(source[i]);
        uint8_t* d = out + i * width;
        if (bits == 8) {
            // The device's 8-bit samples are unsigned, silence at 128.
            d[0] = static_cast<uint8_t>(value ^ 0x80);
            continue;
        }
        for (int32_t b = 0; b < width; ++b) d[b] = static_cast<uint8_t>(value >> (8 * b));
    }
}
