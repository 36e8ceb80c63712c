// waveOut on SDL audio. The calls keep the handles, the header flags and each
// device's queue of written headers (wave_backend.h); the backend consumes
// the queue. By default that is the sound card, opened with SDL, whose own
// audio thread pulls the queued headers through a callback.
//
// Lock order: the layer's lock, then one queue's lock. SDL holds its own
// device lock around the callback, which takes the queue's lock; so no SDL
// audio call is made while a queue's lock is held.
#include <windows.h>

#include "layer.h"
#include "wave_backend.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Device {
    WaveQueue queue;
    std::unique_ptr<WaveSink> sink;
};

struct Layer {
    // Guards everything below.
    std::mutex lock;
    std::map<std::uintptr_t, Device*> devices;
    // Handle values count up and are never reused.
    std::uintptr_t next_handle = 0x100;
    // Null: the sound card.
    WaveBackend* backend = nullptr;
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

void mark_done(WAVEHDR* header) {
    DWORD flags = header->dwFlags.load();
    while (!header->dwFlags.compare_exchange_weak(flags, (flags & ~WHDR_INQUEUE) | WHDR_DONE)) {}
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

// Samples of each channel that SDL's audio thread asks for at once.
constexpr Uint16 callback_frames = 1024;

// One device on the sound card: SDL's audio thread plays the queue.
class SoundCardSink : public WaveSink {
public:
    explicit SoundCardSink(WaveQueue& played) : queue(played) {}

    ~SoundCardSink() override {
        if (!sdl) return;
        using_sdl_on_this_thread();
        // Waits for SDL's audio thread to leave the callback.
        SDL_CloseAudioDevice(sdl);
    }

    MMRESULT open(const WAVEFORMATEX& format) {
        using_sdl_on_this_thread();
        if (!layer_init_subsystem(SDL_INIT_AUDIO)) return MMSYSERR_NODRIVER;
        SDL_AudioSpec wanted{};
        wanted.freq = static_cast<int>(format.nSamplesPerSec);
        wanted.format = sdl_format(format.wBitsPerSample);
        wanted.channels = static_cast<Uint8>(format.nChannels);
        wanted.samples = callback_frames;
        wanted.callback = play_queued;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        // No changes allowed: SDL converts to whatever the hardware takes.
        sdl = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (sdl == 0)
            return SDL_GetNumAudioDevices(0) == 0 ? MMSYSERR_BADDEVICEID : MMSYSERR_ALLOCATED;
        silence = obtained.silence;
        return MMSYSERR_NOERROR;
    }

    // Playback starts with the first write.
    void written(WAVEHDR&) override {
        if (started.exchange(true)) return;
        using_sdl_on_this_thread();
        SDL_PauseAudioDevice(sdl, 0);
    }

private:
    static void SDLCALL play_queued(void* userdata, Uint8* stream, int length) {
        SoundCardSink* sink = static_cast<SoundCardSink*>(userdata);
        WaveQueue& queue = sink->queue;
        std::lock_guard<std::mutex> guard(queue.lock);
        DWORD filled = 0;
        DWORD wanted = static_cast<DWORD>(length);
        while (filled < wanted && !queue.headers.empty()) {
            WAVEHDR* header = queue.headers.front();
            DWORD take = std::min(wanted - filled, header->dwBufferLength - queue.offset);
            std::memcpy(stream + filled, header->lpData + queue.offset, take);
            filled += take;
            queue.offset += take;
            if (queue.offset >= header->dwBufferLength) queue.complete_front();
        }
        std::memset(stream + filled, sink->silence, wanted - filled);
    }

    WaveQueue& queue;
    SDL_AudioDeviceID sdl = 0;
    Uint8 silence = 0;
    std::atomic<bool> started{false};
};

class SoundCard : public WaveBackend {
public:
    MMRESULT open(const WAVEFORMATEX& format, WaveQueue& queue,
                  std::unique_ptr<WaveSink>& sink) override {
        auto card = std::make_unique<SoundCardSink>(queue);
        MMRESULT result = card->open(format);
        if (result == MMSYSERR_NOERROR) sink = std::move(card);
        return result;
    }
};

bool header_arguments_valid(LPWAVEHDR header, UINT header_size) {
    return header && header_size == sizeof(WAVEHDR);
}

}  // namespace

void WaveQueue::complete_front() {
    WAVEHDR* header = headers.front();
    headers.pop_front();
    offset = 0;
    ++departures;
    mark_done(header);
    changed.notify_all();
}

WaveBackend& wave_sound_card() {
    static SoundCard* card = new SoundCard;
    return *card;
}

void wave_install_backend(WaveBackend* backend) {
    Layer& state = layer();
    std::lock_guard<std::mutex> guard(state.lock);
    state.backend = backend;
}

MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT device_id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) {
    (void)callback;
    (void)instance;
    if (!handle || !format) return MMSYSERR_INVALPARAM;
    if (device_id != WAVE_MAPPER && device_id != 0) return MMSYSERR_BADDEVICEID;
    if (flags != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
    if (!format_supported(*format)) return WAVERR_BADFORMAT;

    Layer& state = layer();
    WaveBackend* backend = nullptr;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        backend = state.backend;
    }
    if (!backend) backend = &wave_sound_card();
    auto device = std::make_unique<Device>();
    MMRESULT result = backend->open(*format, device->queue, device->sink);
    if (result != MMSYSERR_NOERROR) return result;

    std::lock_guard<std::mutex> guard(state.lock);
    std::uintptr_t value = state.next_handle++;
    state.devices[value] = device.release();
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
    {
        std::lock_guard<std::mutex> guard(device->queue.lock);
        device->queue.headers.push_back(header);
    }
    device->queue.changed.notify_all();
    device->sink->written(*header);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT handle) {
    Device* device = find_device(handle);
    if (!device) return MMSYSERR_INVALHANDLE;
    WaveQueue& queue = device->queue;
    std::lock_guard<std::mutex> guard(queue.lock);
    while (!queue.headers.empty()) queue.complete_front();
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
        std::lock_guard<std::mutex> queue_guard(device->queue.lock);
        if (!device->queue.headers.empty()) return WAVERR_STILLPLAYING;
        device->queue.closing = true;
        state.devices.erase(found);
    }
    device->queue.changed.notify_all();
    device->sink.reset();
    delete device;
    return MMSYSERR_NOERROR;
}
