// Sample conversion between the stored widths and the mixer's 32-bit
// integers. Widths: 8 bits (read as signed, written in the device's unsigned
// form), 16, 24 (3 bytes) and 32 bits, little-endian; any other width reads
// and writes silence.
#pragma once

#include <cstdint>

// Widens count samples of the given width from source into destination.
void pcm_to_int32(int32_t* destination, const void* source, int32_t count, int32_t bits);

// Adds count samples of source into accumulator, each sum clipped to the
// range of the width.
void mix_clipped(int32_t* accumulator, const int32_t* source, int32_t count, int32_t bits);

// Narrows source into bytes bytes of samples of the given width (values are
// already within its range).
void int32_to_pcm(void* destination, const int32_t* source, int32_t bytes, int32_t bits);
