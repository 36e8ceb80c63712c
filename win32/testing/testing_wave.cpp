// The waveOut half of the layer's test panel: a backend installed in place of
// the sound card (wave_backend.h) that opens recording devices or fails on
// demand, and otherwise hands the open to the sound card.
//
// Lock order: the panel's lock, then one queue's lock.
#include "win32/testing_wave.h"

#include "wave_backend.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace {

class Recorder;

// One recording, and its device while that is open.
struct Entry {
    WaveRecording recording{};
    Recorder* recorder = nullptr;
};

struct Panel : WaveBackend {
    MMRESULT open(const WAVEFORMATEX& format, WaveQueue& queue,
                  std::unique_ptr<WaveSink>& sink) override;

    // Guards everything below and every Entry.
    std::mutex lock;
    bool record = false;
    WaveCompletion completion = WaveCompletion::immediate;
    MMRESULT open_failure = MMSYSERR_NOERROR;
    std::vector<std::shared_ptr<Entry>> entries;
    std::uint64_t stamp = 0;
};

// Installed with the first use of a control; never destroyed, as devices may
// still close at process exit.
Panel& panel() {
    static Panel* installed = [] {
        Panel* made = new Panel;
        wave_install_backend(made);
        return made;
    }();
    return *installed;
}

// A device that keeps a copy of every buffer written to it and completes its
// headers as the panel was told when it opened.
class Recorder : public WaveSink {
public:
    Recorder(WaveQueue& played, std::shared_ptr<Entry> kept, WaveCompletion how,
             DWORD bytes_per_second)
        : queue(played), entry(std::move(kept)), completion(how), rate(bytes_per_second) {
        if (completion == WaveCompletion::paced) pacer = std::thread([this] { pace(); });
    }

    ~Recorder() override {
        {
            Panel& state = panel();
            std::lock_guard<std::mutex> guard(state.lock);
            entry->recording.closed = ++state.stamp;
            entry->recorder = nullptr;
        }
        // waveOutClose has set closing: the pacer ends.
        if (pacer.joinable()) pacer.join();
    }

    void written(WAVEHDR& header) override {
        {
            Panel& state = panel();
            std::lock_guard<std::mutex> guard(state.lock);
            const BYTE* data = reinterpret_cast<const BYTE*>(header.lpData);
            entry->recording.buffers.emplace_back(data, data + header.dwBufferLength);
            entry->recording.written.push_back(++state.stamp);
        }
        if (completion != WaveCompletion::immediate) return;
        std::lock_guard<std::mutex> guard(queue.lock);
        // Each write completes one header, so the oldest is this one.
        if (!queue.headers.empty()) queue.complete_front();
    }

    WaveQueue& queue;

private:
    // Completes the oldest header once its play time has passed since it
    // reached the front of the queue.
    void pace() {
        std::unique_lock<std::mutex> held(queue.lock);
        for (;;) {
            queue.changed.wait(held, [&] { return queue.closing || !queue.headers.empty(); });
            if (queue.closing) return;
            WAVEHDR* header = queue.headers.front();
            std::uint64_t departures = queue.departures;
            auto play_time = std::chrono::microseconds(
                static_cast<std::int64_t>(header->dwBufferLength) * 1000000 / rate);
            if (queue.changed.wait_for(held, play_time, [&] {
                    return queue.closing || queue.departures != departures;
                }))
                continue;
            queue.complete_front();
        }
    }

    std::shared_ptr<Entry> entry;
    WaveCompletion completion;
    DWORD rate;
    std::thread pacer;
};

MMRESULT Panel::open(const WAVEFORMATEX& format, WaveQueue& queue,
                     std::unique_ptr<WaveSink>& sink) {
    std::unique_lock<std::mutex> guard(lock);
    if (open_failure != MMSYSERR_NOERROR) return open_failure;
    if (!record) {
        guard.unlock();
        return wave_sound_card().open(format, queue, sink);
    }
    auto entry = std::make_shared<Entry>();
    std::memcpy(&entry->recording.format, &format,
                format.wFormatTag == WAVE_FORMAT_EXTENSIBLE ? sizeof(WAVEFORMATEXTENSIBLE)
                                                            : sizeof(WAVEFORMATEX));
    entry->recording.opened = ++stamp;
    entries.push_back(entry);
    DWORD bytes_per_second = format.nAvgBytesPerSec ? format.nAvgBytesPerSec
                                                    : format.nBlockAlign * format.nSamplesPerSec;
    auto recorder = std::make_unique<Recorder>(queue, entry, completion, bytes_per_second);
    entry->recorder = recorder.get();
    sink = std::move(recorder);
    return MMSYSERR_NOERROR;
}

// The open recorder of entry number index, with the panel's lock held.
Recorder* open_recorder(Panel& state, std::size_t index) {
    if (index >= state.entries.size()) return nullptr;
    return state.entries[index]->recorder;
}

}  // namespace

void testing_wave_reset() {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    state.record = false;
    state.completion = WaveCompletion::immediate;
    state.open_failure = MMSYSERR_NOERROR;
    state.entries.clear();
}

void testing_wave_record(WaveCompletion completion) {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    state.record = true;
    state.completion = completion;
}

void testing_wave_fail_open(MMRESULT result) {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    state.open_failure = result;
}

std::vector<WaveRecording> testing_wave_recordings() {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    std::vector<WaveRecording> recordings;
    for (const auto& entry : state.entries) recordings.push_back(entry->recording);
    return recordings;
}

bool testing_wave_complete(std::size_t index) {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    Recorder* recorder = open_recorder(state, index);
    if (!recorder) return false;
    std::lock_guard<std::mutex> queue_guard(recorder->queue.lock);
    if (recorder->queue.headers.empty()) return false;
    recorder->queue.complete_front();
    return true;
}

std::size_t testing_wave_queued(std::size_t index) {
    Panel& state = panel();
    std::lock_guard<std::mutex> guard(state.lock);
    Recorder* recorder = open_recorder(state, index);
    if (!recorder) return 0;
    std::lock_guard<std::mutex> queue_guard(recorder->queue.lock);
    return recorder->queue.headers.size();
}
