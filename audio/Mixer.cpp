#include "audio/Mixer.h"

#include "audio/PcmConversion.h"
#include "audio/WaveDevice.h"
#include "core/Thread.h"

#include <process.h>

#include <algorithm>
#include <chrono>
#include <cstring>

std::atomic<int32_t> mixer_threads{0};

namespace {

// Widens the block, queues it on out, makes sure out is mixed, and ends the
// caller's use of out.
void deliver(AudioOutput* out, PcmBlock* block) {
    int32_t count = static_cast<int32_t>(block->bytes / static_cast<uint32_t>(block->bits / 8));
    int32_t* widened = new int32_t[count];
    pcm_to_int32(widened, block->data, count, block->bits);
    AudioOutput::queue(out, block, widened, count);
    delete[] widened;
    AudioOutput::start_mixer(out);
    AudioOutput::release(out);
}

}  // namespace

void PcmBlock::detach() {
    output_registry_lock.lock();
    if (voice) voice->source = nullptr;
    voice = nullptr;
    output_registry_lock.unlock();
}

void PcmChunk::release() {
    delete[] samples;
    samples = nullptr;
}

Voice::~Voice() {
    buffering = 0;
    ended = 1;
    remove = 1;
    output_registry_lock.lock();
    if (source) source->voice = nullptr;
    source = nullptr;
    output_registry_lock.unlock();
    for (auto* node = chunks.head; node; node = node->next) {
        node->value->release();
        delete node->value;
    }
}

bool Voice::is_full(const PcmBlock* block, const AudioChannel* channel) {
    output_registry_lock.lock();
    bool full = false;
    if (Voice* voice = block->voice) {
        full = voice->queued > voice->high_water || voice->output->at_limit();
    } else {
        // A stream that has no Voice yet would make one on this output.
        int32_t bits = channel ? channel->bits : block->bits;
        int32_t channels = channel ? channel->channels : block->channels;
        int32_t rate = channel ? channel->rate : block->rate;
        for (auto* node = output_registry.head; node; node = node->next) {
            WaveDevice* device = node->value->device;
            if (device->bits == bits && device->channels == channels && device->rate == rate) {
                full = node->value->at_limit();
                break;
            }
        }
    }
    output_registry_lock.unlock();
    return full;
}

void Voice::finish(PcmBlock* block) {
    output_registry_lock.lock();
    if (Voice* voice = block->voice) {
        voice->lock.lock();
        voice->buffering = 0;
        voice->ended = 1;
        voice->lock.unlock();
    }
    output_registry_lock.unlock();
}

void Voice::drop(const PcmBlock* block) {
    output_registry_lock.lock();
    if (block->voice) block->voice->remove = 1;
    output_registry_lock.unlock();
}

AudioOutput::~AudioOutput() {
    stopped = 1;
    // Under the registry lock, as in retire_pass: a decoder may still hold a
    // link to one of these Voices, and through it reach the device; so the
    // Voices go first.
    output_registry_lock.lock();
    for (auto* node = voices.head; node; node = node->next) delete node->value;
    output_registry_lock.unlock();
    if (device) {
        device->close();
        delete device;
    }
}

AudioOutput* AudioOutput::get(int32_t bits, int32_t channels, int32_t rate) {
    output_registry_lock.lock();
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
    output_registry_lock.unlock();
    return out;
}

void AudioOutput::release(AudioOutput* out) {
    output_registry_lock.lock();
    --out->users;
    output_registry_lock.unlock();
}

void AudioOutput::queue(AudioOutput* out, PcmBlock* block, const int32_t* samples, int32_t count) {
    int32_t n = out->device->samples_per_buffer;
    PcmChunk* chunk = new PcmChunk;
    chunk->samples = new int32_t[count];
    if (count > 0)
        std::memcpy(chunk->samples, samples, sizeof(int32_t) * static_cast<size_t>(count));
    chunk->count = count;

    output_registry_lock.lock();
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
        voice->high_water = n << 8;
        voice->queued = count;
        block->voice = voice;
        out->queued += count;
        out->lock.lock();
        out->voices.append(voice);
        out->lock.unlock();
    } else {
        voice->lock.lock();
        voice->chunks.append(chunk);
        voice->queued += count;
        out->queued += count;
        if (voice->queued >= n << 2)
            voice->buffering = 0;
        else if (!voice->ended)
            voice->buffering = 1;
        voice->lock.unlock();
    }
    output_registry_lock.unlock();
}

void AudioOutput::start_mixer(AudioOutput* out) {
    output_registry_lock.lock();
    if (!out->mixer_started) {
        HANDLE thread = start_thread(mix_thread, out);
        if (thread) {
            out->mixer_started = true;
            ++mixer_threads;
            SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
            // Nobody waits for a mixer thread: it ends by destroying its output.
            CloseHandle(thread);
        }
    }
    output_registry_lock.unlock();
}

bool AudioOutput::at_limit() const {
    return queued >= device->samples_per_buffer * output_limit_buffers;
}

bool AudioOutput::has_voices() {
    lock.lock();
    bool any = voices.count > 0;
    lock.unlock();
    return any;
}

int32_t AudioOutput::mix_pass(int32_t* buffer, bool& slept) {
    int32_t n = device->samples_per_buffer;
    int32_t bits = device->bits;
    int32_t mixed = 0;
    lock.lock();
    List<Voice*>::Node* node = voices.head;
    lock.unlock();
    while (node && !stopped) {
        Voice* voice = node->value;
        voice->lock.lock();
        // A Voice without chunks is passed over at once. At the limit no
        // Voice gets more samples, so one that is buffering plays what it
        // has.
        bool waiting = voice->chunks.count > 0 && voice->buffering && !at_limit();
        int32_t pos = 0;
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
        voice->lock.unlock();
        if (waiting) {
            Sleep(1);
            slept = true;
        }
        mixed = std::max(mixed, pos);
        lock.lock();
        node = node->next;
        lock.unlock();
    }
    return mixed;
}

void AudioOutput::retire_pass() {
    int retired = 0;
    lock.lock();
    List<Voice*>::Node* node = voices.head;
    lock.unlock();
    while (node && retired < 5) {
        Voice* voice = node->value;
        lock.lock();
        List<Voice*>::Node* next = node->next;
        lock.unlock();
        voice->lock.lock();
        bool done = voice->remove || (voice->ended && voice->chunks.count == 0);
        voice->lock.unlock();
        if (done) {
            output_registry_lock.lock();
            lock.lock();
            voices.erase(node);
            lock.unlock();
            queued -= voice->queued;
            delete voice;
            output_registry_lock.unlock();
            ++retired;
        }
        node = next;
    }
}

bool AudioOutput::retire() {
    output_registry_lock.lock();
    lock.lock();
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
    lock.unlock();
    output_registry_lock.unlock();
    return idle;
}

void AudioOutput::write(const int32_t* samples, int32_t count) {
    if (!stopped) device->write(samples, count);
}

void AudioOutput::mix_thread(void* argument) {
    AudioOutput* out = static_cast<AudioOutput*>(argument);
    int32_t n = out->device->samples_per_buffer;
    int32_t* buffer = new int32_t[n];
    for (;;) {
        if (!out->stopped && out->has_voices()) {
            std::fill(buffer, buffer + n, 0);
            bool slept = false;
            int32_t mixed = out->mix_pass(buffer, slept);
            if (mixed > 0) out->write(buffer, mixed);
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
    delete[] buffer;
    delete out;
    --mixer_threads;
}

void AudioOutput::stop_all() {
    output_registry_lock.lock();
    for (auto* node = output_registry.head; node; node = node->next) node->value->stopped = 1;
    output_registry_lock.unlock();
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
