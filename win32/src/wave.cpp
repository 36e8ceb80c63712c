// waveOut on SDL audio. A device is either the sound card, opened with SDL
// whose own audio thread pulls the queued headers through a callback, or a
// recording device for tests (win32/testing_wave.h) that keeps a copy of
// every buffer and completes headers as the test asks.
//
// Lock order: the layer's lock, then one device's lock. SDL holds its own
// device lock around the callback, which takes the device's lock; so no SDL
// audio call is made while a device's lock is held.
#include <windows.h>

#include "layer.h"
#include "win32/testing_wave.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace {

struct Device {
    // Guards everything below.
    std::mutex lock;
    // Announces new headers, a reset and the close to the pacing thread.
    std::condition_variable changed;
    // Written headers not yet done, oldest first.
    std::deque<WAVEHDR*> queue;
    // Bytes of the oldest header already played (sound card).
    DWORD offset = 0;
    // Counts the times headers left the queue other than through the pacing
    // thread (a reset, a test's completion), so that it never completes a
    // header it no longer holds.
    std::uint64_t taken = 0;
    bool started = false;
    bool closing = false;

    SDL_AudioDeviceID sdl = 0;
    Uint8 silence = 0;

    bool recorder = false;
    WaveCompletion completion = WaveCompletion::immediate;
    std::size_t recording = 0;
    DWORD bytes_per_second = 0;
    std::thread pacer;
};

struct Layer {
    // Guards everything below.
    std::mutex lock;
    std::map<std::uintptr_t, Device*> devices;
    // Handle values count up and are never reused.
    std::uintptr_t next_handle = 0x100;
    bool record = false;
    WaveCompletion completion = WaveCompletion::immediate;
    MMRESULT open_failure = MMSYSERR_NOERROR;
    std::vector<WaveRecording> recordings;
    // Recording index -> its open device, while open.
    std::map<std::size_t, Device*> recorders;
    std::uint64_t stamp = 0;
};

// Never destroyed: threads still running at process exit may close devices.
Layer& layer() {
    static Layer* state = new Layer;
    return *state;
}

Device* find_device(HWAVEOUT handle) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.devices.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == state.devices.end() ? nullptr : found->second;
}

// The last touch of a header: after this the application owns it again.
void mark_done(WAVEHDR* header) {
    DWORD flags = header->dwFlags.load();
    while (!header->dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE)) {}
}

void SDLCALL play_queued(void* userdata, Uint8* stream, int length) {
    Device* device = static_cast<Device*>(userdata);
    std::lock_guard<std::mutex> guard(device->lock);
    DWORD filled = 0;
    DWORD wanted = static_cast<DWORD>(length);
    while (filled < wanted && !device->queue.empty()) {
        WAVEHDR* header = device->queue.front();
        DWORD take = std::min(wanted - filled, header->dwBufferLength - device->offset);
        std::memcpy(stream + filled, header->lpData + device->offset, take);
        filled += take;
        device->offset += take;
        if (device->offset >= header->dwBufferLength) {
            device->queue.pop_front();
            device->offset = 0;
            mark_done(header);
        }
    }
    std::memset(stream + filled, device->silence, wanted - filled);
}

// A paced recording device completes its oldest header once the header's
// play time has passed since it reached the front of the queue.
void pace(Device* device) {
    std::unique_lock<std::mutex> held(device->lock);
    for (;;) {
        device->changed.wait(held, [&] { return device->closing || !device->queue.empty(); });
        if (device->closing) return;
        WAVEHDR* header = device->queue.front();
        std::uint64_t taken = device->taken;
        auto play_time = std::chrono::microseconds(
            static_cast<std::int64_t>(header->dwBufferLength) * 1000000 / device->bytes_per_second);
        if (device->changed.wait_for(held, play_time,
                                     [&] { return device->closing || device->taken != taken; }))
            continue;
        device->queue.pop_front();
        mark_done(header);
    }
}

// The PCM layouts SDL can play as they are.
SDL_AudioFormat sdl_format(WORD bits) {
    switch (bits) {
        case 8:
            return AUDIO_U8;
        case 16:
            return AUDIO_S16LSB;
        case 32:
            return AUDIO_S32LSB;
        default:
            return 0;
    }
}

bool format_supported(const WAVEFORMATEX& format) {
    if (format.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        if (format.cbSize < sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX)) return false;
        const WAVEFORMATEXTENSIBLE& extensible =
            reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
        if (!(extensible.SubFormat == KSDATAFORMAT_SUBTYPE_PCM)) return false;
        if (extensible.Samples.wValidBitsPerSample != format.wBitsPerSample) return false;
    } else if (format.wFormatTag != WAVE_FORMAT_PCM) {
        return false;
    }
    // SDL takes 1 to 8 channels and an int rate.
    return sdl_format(format.wBitsPerSample) != 0 && format.nChannels >= 1 &&
           format.nChannels <= 8 && format.nSamplesPerSec >= 1 &&
           format.nSamplesPerSec <= INT_MAX &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

// SDL keeps data per calling thread (its error text, for one) and frees it
// only when that thread asks; the threads that open, start and close devices
// end on their own, so each lets it go as it ends.
struct SdlThreadData {
    ~SdlThreadData() { SDL_TLSCleanup(); }
};

void using_sdl_on_this_thread() {
    thread_local SdlThreadData data;
    (void)data;
}

MMRESULT open_sound_card(Device* device, const WAVEFORMATEX& format) {
    using_sdl_on_this_thread();
    if (!layer_init_subsystem(SDL_INIT_AUDIO)) return MMSYSERR_NODRIVER;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.nSamplesPerSec);
    wanted.format = sdl_format(format.wBitsPerSample);
    wanted.channels = static_cast<Uint8>(format.nChannels);
    wanted.samples = 1024;
    wanted.callback = play_queued;
    wanted.userdata = device;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware takes.
    device->sdl = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device->sdl == 0)
        return SDL_GetNumAudioDevices(0) == 0 ? MMSYSERR_BADDEVICEID : MMSYSERR_ALLOCATED;
    device->silence = obtained.silence;
    return MMSYSERR_NOERROR;
}

bool header_arguments_valid(LPWAVEHDR header, UINT header_size) {
    return header && header_size == sizeof(WAVEHDR);
}

}  // namespace

MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT device_id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
    (void)callback;
    (void)instance;
    if (!handle || !format) return MMSYSERR_INVALPARAM;
    if (device_id != WAVE_MAPPER && device_id != 0) return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
    if (!format_supported(*format)) return WAVERR_BADFORMAT;

    Layer& state = layer();
    Device* device = new Device;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.open_failure != MMSYSERR_NOERROR) {
            delete device;
            return state.open_failure;
        }
        device->recorder = state.record;
        device->completion = state.completion;
    }
    device->bytes_per_second = format->nAvgBytesPerSec
                                   ? format->nAvgBytesPerSec
                                   : format->nBlockAlign * format->nSamplesPerSec;
    if (!device->recorder) {
        MMRESULT result = open_sound_card(device, *format);
        if (result != MMSYSERR_NOERROR) {
            delete device;
            return result;
        }
    }

    std::lock_guard<std::mutex> guard(state.lock);
    if (device->recorder) {
        WaveRecording recording{};
        std::memcpy(&recording.format, format,
                    format->wFormatTag == WAVE_FORMAT_EXTENSIBLE ? sizeof(WAVEFORMATEXTENSIBLE)
                                                                 : sizeof(WAVEFORMATEX));
        recording.opened = ++state.stamp;
        device->recording = state.recordings.size();
        state.recordings.push_back(recording);
        state.recorders[device->recording] = device;
        if (device->completion == WaveCompletion::paced) device->pacer = std::thread(pace, device);
    }
    std::uintptr_t value = state.next_handle++;
    state.devices[value] = device;
    *handle = reinterpret_cast<HWAVEOUT>(value);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT header_size) {
    if (!find_device(handle)) return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, header_size)) return MMSYSERR_INVALPARAM;
    header->dwFlags.fetch_or(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT header_size) {
    if (!find_device(handle)) return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, header_size)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags.load() & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags.fetch_and(~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT header_size) {
    Device* device = find_device(handle);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (!header_arguments_valid(header, header_size)) return MMSYSERR_INVALPARAM;
    DWORD flags = header->dwFlags.load();
    if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags.store((flags & ~WHDR_DONE) | WHDR_INQUEUE);

    if (device->recorder) {
        Layer& state = layer();
        {
            std::lock_guard<std::mutex> guard(state.lock);
            const BYTE* data = reinterpret_cast<const BYTE*>(header->lpData);
            state.recordings[device->recording].buffers.emplace_back(data,
                                                                     data + header->dwBufferLength);
        }
        if (device->completion == WaveCompletion::immediate) {
            mark_done(header);
            return MMSYSERR_NOERROR;
        }
    }

    bool start = false;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        device->queue.push_back(header);
        start = !device->started;
        device->started = true;
    }
    device->changed.notify_all();
    if (start && device->sdl) {
        using_sdl_on_this_thread();
        SDL_PauseAudioDevice(device->sdl, 0);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT handle) {
    Device* device = find_device(handle);
    if (!device) return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> guard(device->lock);
        for (WAVEHDR* header : device->queue) mark_done(header);
        device->queue.clear();
        device->offset = 0;
        ++device->taken;
    }
    device->changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT handle) {
    Layer& state = layer();
    Device* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto found = state.devices.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == state.devices.end()) return MMSYSERR_INVALHANDLE;
        device = found->second;
        std::lock_guard<std::mutex> device_guard(device->lock);
        if (!device->queue.empty()) return WAVERR_STILLPLAYING;
        device->closing = true;
        state.devices.erase(found);
        if (device->recorder) {
            state.recordings[device->recording].closed = ++state.stamp;
            state.recorders.erase(device->recording);
        }
    }
    device->changed.notify_all();
    if (device->pacer.joinable()) device->pacer.join();
    // Waits for SDL's audio thread to leave the callback.
    if (device->sdl) {
        using_sdl_on_this_thread();
        SDL_CloseAudioDevice(device->sdl);
    }
    delete device;
    return MMSYSERR_NOERROR;
}

void testing_wave_record(WaveCompletion completion) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    state.record = true;
    state.completion = completion;
}

void testing_wave_fail_open(MMRESULT result) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    state.open_failure = result;
}

std::vector<WaveRecording> testing_wave_recordings() {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.recordings;
}

bool testing_wave_complete(std::size_t index) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.recorders.find(index);
    if (found == state.recorders.end()) return false;
    Device* device = found->second;
    std::lock_guard<std::mutex> device_guard(device->lock);
    if (device->queue.empty()) return false;
    WAVEHDR* header = device->queue.front();
    device->queue.pop_front();
    ++device->taken;
    mark_done(header);
    device->changed.notify_all();
    return true;
}

std::size_t testing_wave_queued(std::size_t index) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    auto found = state.recorders.find(index);
    if (found == state.recorders.end()) return 0;
    std::lock_guard<std::mutex> device_guard(found->second->lock);
    return found->second->queue.size();
}
