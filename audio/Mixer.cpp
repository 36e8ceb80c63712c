#include "audio/Mixer.h"

#include "audio/PcmConversion.h"
#include "audio/WaveDevice.h"
#include "core/Thread.h"

#include <process.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

std::atomic<int32_t> mixer_threads{0};

namespace {

// Widens the block, queues it on out, makes sure out is mixed, and ends the
// caller's use of out.
void deliver(AudioOutput* out, PcmBlock* block) {
    int32_t count = static_cast<int32_t>(block->bytes / static_cast<uint32_t>(block->bits / 8));
    std::vector<int32_t> widened(static_cast<size_t>(count));
    pcm_to_int32(widened.data(), block->data, count, block->bits);
    AudioOutput::queue(out, block, widened.data(), count);
    AudioOutput::start_mixer(out);
    AudioOutput::release(out);
}

}  // namespace

void PcmBlock::detach() {
    MutexLock registry(output_registry_lock);
    if (voice) voice->source = nullptr;
    voice = nullptr;
}

void PcmBlock::hand_over() {
    MutexLock registry(output_registry_lock);
    if (!voice) return;
    {
        MutexLock held(voice->lock);
        voice->buffering = 0;
        voice->ended = 1;
    }
    previous = voice->gone;
    voice->source = nullptr;
    voice = nullptr;
}

void PcmChunk::release() {
    delete[] samples;
    samples = nullptr;
}

Voice::~Voice() {
    buffering = 0;
    ended = 1;
    remove = 1;
    *gone = 1;
    {
        MutexLock registry(output_registry_lock);
        if (source) source->voice = nullptr;
        source = nullptr;
    }
    for (auto* node = chunks.head; node; node = node->next) {
        node->value->release();
        delete node->value;
    }
}

bool Voice::is_full(const PcmBlock* block, const AudioChannel* channel) {
    MutexLock registry(output_registry_lock);
    if (Voice* voice = block->voice)
        return voice->queued > voice->high_water || voice->output->at_limit();
    // A stream that has no Voice yet would make one on this output.
    int32_t bits = channel ? channel->bits : block->bits;
    int32_t channels = channel ? channel->channels : block->channels;
    int32_t rate = channel ? channel->rate : block->rate;
    for (auto* node = output_registry.head; node; node = node->next) {
        WaveDevice* device = node->value->device;
        if (device->bits == bits && device->channels == channels && device->rate == rate)
            return node->value->at_limit();
    }
    return false;
}

void Voice::finish(PcmBlock* block) {
    MutexLock registry(output_registry_lock);
    if (Voice* voice = block->voice) {
        MutexLock held(voice->lock);
        voice->buffering = 0;
        voice->ended = 1;
    }
}

void Voice::drop(const PcmBlock* block) {
    MutexLock registry(output_registry_lock);
    *block->dropped = 1;
    if (block->voice) block->voice->remove = 1;
}

AudioOutput::~AudioOutput() {
    stopped = 1;
    // Under the registry lock, as in retire_pass: a decoder may still hold a
    // link to one of these Voices, and through it reach the device; so the
    // Voices go first.
    {
        MutexLock registry(output_registry_lock);
        for (auto* node = voices.head; node; node = node->next) delete node->value;
    }
    if (device) {
        device->close();
        delete device;
    }
}

AudioOutput* AudioOutput::get(int32_t bits, int32_t channels, int32_t rate) {
    MutexLock registry(output_registry_lock);
    AudioOutput* out = nullptr;
    for (auto* node = output_registry.head; node && !out; node = node->next) {
        WaveDevice* device = node->value->device;
        if (device->bits == bits && device->channels == channels && device->rate == rate)
            out = node->value;
    }
    if (!out) {
        out = new AudioOutput;
        out->device = WaveDevice::open(bits, channels, rate);
        output_registry.append(out);
    }
    ++out->users;
    return out;
}

void AudioOutput::release(AudioOutput* out) {
    MutexLock registry(output_registry_lock);
    --out->users;
}

void AudioOutput::queue(AudioOutput* out, PcmBlock* block, const int32_t* samples, int32_t count) {
    int32_t n = out->device->samples_per_buffer;
    PcmChunk* chunk = new PcmChunk;
    chunk->samples = new int32_t[count];
    if (count > 0)
        std::memcpy(chunk->samples, samples, sizeof(int32_t) * static_cast<size_t>(count));
    chunk->count = count;

    MutexLock registry(output_registry_lock);
    Voice* voice = block->voice;
    if (out->stopped) {
        chunk->release();
        delete chunk;
    } else if (!voice) {
        // Nobody else sees the new Voice before it is linked.
        voice = new Voice;
        voice->chunks.append(chunk);
        voice->source = block;
        voice->output = out;
        voice->after = std::move(block->previous);
        voice->stream_dropped = block->dropped;
        voice->high_water = n * voice_high_water_buffers;
        voice->queued = count;
        block->voice = voice;
        out->queued += count;
        MutexLock linking(out->lock);
        out->voices.append(voice);
    } else {
        MutexLock held(voice->lock);
        voice->chunks.append(chunk);
        voice->queued += count;
        // The block's Voice may be on another output than out (a channel
        // whose format was changed while it played): count it where it is.
        voice->output->queued += count;
        if (voice->queued >= n * voice_ready_buffers)
            voice->buffering = 0;
        else if (!voice->ended)
            voice->buffering = 1;
    }
}

void AudioOutput::start_mixer(AudioOutput* out) {
    MutexLock registry(output_registry_lock);
    if (out->mixer_started) return;
    HANDLE thread = start_thread(mix_thread, out);
    if (!thread) return;
    out->mixer_started = true;
    ++mixer_threads;
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    // Nobody waits for a mixer thread: it ends by destroying its output.
    CloseHandle(thread);
}

bool AudioOutput::at_limit() const {
    return queued >= device->samples_per_buffer * output_limit_buffers;
}

bool AudioOutput::has_voices() {
    MutexLock held(lock);
    return voices.count > 0;
}

List<Voice*>::Node* AudioOutput::first_voice() {
    MutexLock held(lock);
    return voices.head;
}

List<Voice*>::Node* AudioOutput::next_voice(List<Voice*>::Node* node) {
    MutexLock held(lock);
    return node->next;
}

int32_t AudioOutput::mix_pass(int32_t* buffer, bool& slept) {
    int32_t n = device->samples_per_buffer;
    int32_t bits = device->bits;
    int32_t mixed = 0;
    for (auto* node = first_voice(); node && !stopped; node = next_voice(node)) {
        Voice* voice = node->value;
        if (voice->after) {
            // The stream's previous format plays out first.
            if (!*voice->after) continue;
            voice->after.reset();
        }
        int32_t pos = 0;
        bool waiting = false;
        {
            MutexLock held(voice->lock);
            // A Voice without chunks is passed over at once. At the limit no
            // Voice gets more samples, so one that is buffering plays what it
            // has.
            waiting = voice->chunks.count > 0 && voice->buffering && !at_limit();
            while (!waiting && pos < n && voice->chunks.head) {
                auto* oldest = voice->chunks.head;
                PcmChunk* chunk = oldest->value;
                int32_t k = std::min(n - pos, chunk->count - chunk->read);
                mix_clipped(buffer + pos, chunk->samples + chunk->read, k, bits);
                chunk->read += k;
                pos += k;
                if (chunk->read >= chunk->count) {
                    voice->queued -= chunk->count;
                    queued -= chunk->count;
                    chunk->release();
                    delete chunk;
                    voice->chunks.erase(oldest);
                }
            }
        }
        if (waiting) {
            Sleep(1);
            slept = true;
        }
        mixed = std::max(mixed, pos);
    }
    return mixed;
}

void AudioOutput::retire_pass() {
    int retired = 0;
    for (auto* node = first_voice(); node && retired < retired_per_pass;) {
        Voice* voice = node->value;
        auto* next = next_voice(node);
        bool done = false;
        {
            MutexLock held(voice->lock);
            done = voice->remove || *voice->stream_dropped ||
                   (voice->ended && voice->chunks.count == 0);
        }
        if (done) {
            MutexLock registry(output_registry_lock);
            {
                MutexLock unlinking(lock);
                voices.erase(node);
            }
            queued -= voice->queued;
            delete voice;
            ++retired;
        }
        node = next;
    }
}

bool AudioOutput::retire() {
    MutexLock registry(output_registry_lock);
    MutexLock held(lock);
    bool idle = users == 0 && (stopped || voices.count == 0);
    if (idle) {
        stopped = 1;
        for (auto* node = output_registry.head; node; node = node->next) {
            if (node->value == this) {
                output_registry.erase(node);
                break;
            }
        }
    }
    return idle;
}

void AudioOutput::write(const int32_t* samples, int32_t count) {
    if (!stopped) device->write(samples, count);
}

void AudioOutput::mix_thread(void* argument) {
    AudioOutput* out = static_cast<AudioOutput*>(argument);
    std::vector<int32_t> buffer(static_cast<size_t>(out->device->samples_per_buffer));
    for (;;) {
        if (!out->stopped && out->has_voices()) {
            std::fill(buffer.begin(), buffer.end(), 0);
            bool slept = false;
            int32_t mixed = out->mix_pass(buffer.data(), slept);
            if (mixed > 0) out->write(buffer.data(), mixed);
            if (!out->stopped) out->retire_pass();
            // Never spin at this priority.
            if (mixed == 0 && !slept) Sleep(1);
        } else if (out->retire()) {
            break;
        } else {
            // A submitter is about to link a Voice (or, when stopped, to let go).
            Sleep(1);
        }
    }
    delete out;
    --mixer_threads;
}

void AudioOutput::stop_all() {
    {
        MutexLock registry(output_registry_lock);
        for (auto* node = output_registry.head; node; node = node->next) node->value->stopped = 1;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (mixer_threads > 0 && std::chrono::steady_clock::now() < deadline) Sleep(1);
}

void AudioChannel::set(int32_t new_bits, int32_t new_channels, int32_t new_rate) {
    bits = new_bits;
    channels = new_channels;
    rate = new_rate;
    stopped = 0;
}

void AudioChannel::stop() { stopped = 1; }

void AudioChannel::submit(PcmBlock* block) {
    // A format with no whole samples or no channels could never be mixed
    // out, and its output would never retire.
    bool mixable =
        (bits == 8 || bits == 16 || bits == 24 || bits == 32) && channels > 0 && rate > 0;
    if (stopped || !mixable) return;
    deliver(AudioOutput::get(bits, channels, rate), block);
}

void submit_pcm(PcmBlock* block) {
    AudioOutput* out = AudioOutput::get(block->bits, block->channels, block->rate);
    if (out->stopped) {
        AudioOutput::release(out);
        return;
    }
    deliver(out, block);
}
