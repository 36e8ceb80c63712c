// One opened waveOut stream of the default device for one sample format,
// with four buffers of channels x 1024 samples filled and queued in turn.
// Used by one thread only, its output's mixer thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

class WaveDevice {
public:
    // Buffers filled and queued in turn.
    static constexpr int32_t buffer_count = 4;
    // Samples of each channel in one buffer.
    static constexpr int32_t frames_per_buffer = 1024;

    // Never null: a device that failed to open prints "[!] Could not open
    // device.\n" and is returned anyway; writes to it then play nothing.
    static WaveDevice* open(int32_t bits, int32_t channels, int32_t rate);

    // Narrows count samples (at most samples_per_buffer) into the next buffer
    // and queues it; returns once the buffer after it has finished playing
    // or was never used, so at most three buffers are queued on return.
    void write(const int32_t* samples, int32_t count);
    // Lets the queued buffers play out, frees them and closes the stream;
    // the caller frees the object afterwards.
    void close();

    std::unique_ptr<uint8_t[]> buffers[buffer_count];
    int32_t index = 0;
    int32_t bits = 0;
    int32_t channels = 0;
    int32_t rate = 0;
    int32_t samples_per_buffer = 0;
    HWAVEOUT handle = nullptr;
    WAVEFORMATEXTENSIBLE format{};
    WAVEHDR headers[buffer_count]{};
};
