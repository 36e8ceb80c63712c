// Test controls of the waveOut calls: a recording device in place of the
// sound card, and failure of waveOutOpen on demand. Part of the layer's test
// panel (the win32_testing library, which only tests link). Every function
// here is thread-safe.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// When a recording device marks a written header done.
enum class WaveCompletion : std::uint8_t {
    immediate,  // at once, inside waveOutWrite
    paced,      // after the buffer's play time, one buffer after the other
    on_demand,  // only through testing_wave_complete
};

// Later opens make recording devices completing as given (they need no
// sound card); until then, opens go to the sound card through SDL.
void testing_wave_record(WaveCompletion completion);

// Later opens fail with this result without opening anything;
// MMSYSERR_NOERROR ends the failures.
void testing_wave_fail_open(MMRESULT result);

// One recording device, from its open on.
struct WaveRecording {
    // The format given to waveOutOpen (a plain WAVEFORMATEX fills Format only).
    WAVEFORMATEXTENSIBLE format;
    // A copy of every buffer as it was written, in order.
    std::vector<std::vector<BYTE>> buffers;
    // Stamps from one counter of opens, writes and closes, across all
    // recording devices: a device a was open while b opened when a.opened <
    // b.opened < a.closed. closed is 0 while open; written has one stamp per
    // buffer.
    std::uint64_t opened;
    std::uint64_t closed;
    std::vector<std::uint64_t> written;
};

// Back to the start: later opens go to the sound card and do not fail, and
// the recordings are forgotten (a recording device still open goes on
// without being listed). Each test begins with this.
void testing_wave_reset();

// Every recording device opened since the last reset, in order of opening.
std::vector<WaveRecording> testing_wave_recordings();

// Marks done the oldest queued header of recording device number index (as
// listed by testing_wave_recordings); false when none is queued there.
bool testing_wave_complete(std::size_t index);
// Headers queued on recording device number index and not yet done.
std::size_t testing_wave_queued(std::size_t index);
