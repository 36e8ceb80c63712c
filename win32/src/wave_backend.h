// What plays a waveOut device. wave.cpp keeps the handles, the header flags
// and each device's queue of written headers; a backend opens the consumer
// of one device's queue: the sound card through SDL by default, or whatever
// is installed in its place (the layer's test panel installs a recording
// device).
//
// Lock order: the layer's lock, then one queue's lock. No call into a sink
// is made while either is held, so a sink may take locks of its own before
// a queue's.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

// The headers written to one device and not yet done, oldest first.
struct WaveQueue {
    // Marks the oldest header done and lets it go: the last touch of a
    // header, after which the application owns it again. lock held, queue
    // not empty.
    void complete_front();

    // Guards everything below.
    std::mutex lock;
    // Announces a write, a header leaving and the close.
    std::condition_variable changed;
    std::deque<WAVEHDR*> headers;
    // Bytes of the oldest header already consumed.
    DWORD offset = 0;
    // Headers that left the queue so far (done or reset): a consumer timing
    // the oldest header tells by it that the header is gone.
    std::uint64_t departures = 0;
    // Set by waveOutClose once the queue is empty: the consumer stops.
    bool closing = false;
};

// The consumer of one device's queue. Destroying it stops it: it no longer
// touches the queue afterwards. waveOutClose destroys it once the queue is
// empty and closing is set.
class WaveSink {
public:
    virtual ~WaveSink() = default;
    // waveOutWrite has appended header to the queue (no lock held).
    virtual void written(WAVEHDR& header) = 0;
};

class WaveBackend {
public:
    virtual ~WaveBackend() = default;
    // Opens a consumer of queue for a format that waveOutOpen has accepted:
    // MMSYSERR_NOERROR with sink set, or the result waveOutOpen returns.
    virtual MMRESULT open(const WAVEFORMATEX& format, WaveQueue& queue,
                          std::unique_ptr<WaveSink>& sink) = 0;
};

// The default backend: the sound card through SDL.
WaveBackend& wave_sound_card();
// Later opens go to backend, which lives for the rest of the process; null
// gives them to the sound card again.
void wave_install_backend(WaveBackend* backend);
