// The software mixer: one AudioOutput per sample format (bits, channels,
// rate), each with its WaveDevice and its mixer thread, and in it one Voice
// per playing stream. Decode threads hand decoded blocks over with
// submit_pcm (or AudioChannel::submit); the mixer thread sums the ready
// Voices with clipping into buffers of channels x 1024 samples for the
// device, and retires the Voices that ended or were removed. An output whose
// last Voice is gone closes its device and destroys itself; the next block
// of that format makes a new one.
//
// Locks, outermost first (a thread holding one takes only later ones):
//   1. a player's Mutex (Mp3Player, OggPlayer): its stream list; held by the
//      decode thread for a whole pass, submissions included;
//   2. output_registry_lock: output_registry, every output's users count and
//      mixer start, and both ends of the link between a PcmBlock and its
//      Voice (PcmBlock::voice, Voice::source), so that neither side follows
//      the link into a freed object;
//   3. an AudioOutput's lock: its voice list (linking, unlinking, and every
//      step of the mixer thread's walk along it);
//   4. a Voice's lock: its chunks, queued count and flags while a block is
//      appended or mixed.
// The mixer thread takes 2 then 3 to retire a Voice or its output, and
// otherwise holds one lock at a time.
#pragma once

#include "core/List.h"
#include "core/Mutex.h"

#include <atomic>
#include <cstdint>
#include <memory>

class WaveDevice;
struct AudioChannel;
struct AudioOutput;
struct Voice;

// Device buffers of samples a new Voice holds before it is mixed (unless
// its stream ends first), and again after it has run low.
constexpr int32_t voice_ready_buffers = 4;
// Device buffers of samples past which a Voice is full: the decode threads
// feed it no more until the mixer has taken some.
constexpr int32_t voice_high_water_buffers = 256;
// Voices retired in one retire pass at most.
constexpr int retired_per_pass = 5;

// Device buffers of samples that one output may hold queued over all its
// Voices before the decode threads stop feeding it; so a device that stops
// taking buffers holds up decoding instead of gathering every later sound.
constexpr int32_t output_limit_buffers = 1024;

// A stream's block of decoded samples, refilled before every submission.
struct PcmBlock {
    // Breaks the link with the Voice from this side.
    void detach();
    // The stream goes on in another format: its Voice plays out what it
    // holds and is let go, and the Voice that the next block makes waits
    // until that one is gone, so the parts play one after the other.
    void hand_over();

    // Set by AudioOutput::queue with the stream's first block on an output;
    // cleared by detach and by the Voice's destruction.
    Voice* voice = nullptr;
    // The decode thread's buffer, not owned.
    const void* data = nullptr;
    uint32_t bytes = 0;
    int32_t bits = 0;
    int32_t channels = 0;
    int32_t rate = 0;
    // Set by hand_over: the let-go Voice's gone flag, for the next Voice.
    std::shared_ptr<const std::atomic<uint8_t>> previous;
    // Set by Voice::drop; shared with every Voice the stream has fed, so a
    // stop also silences the Voices of its earlier formats, which hand_over
    // unlinked.
    std::shared_ptr<std::atomic<uint8_t>> dropped = std::make_shared<std::atomic<uint8_t>>(0);
};

// One queued piece of a Voice, consumed in place through read.
struct PcmChunk {
    void release();

    int32_t* samples = nullptr;
    int32_t read = 0;
    int32_t count = 0;
};

// One stream's queue of widened samples in its output.
struct Voice {
    ~Voice();

    // True when the block's Voice holds more than high_water, or when the
    // output its samples go to (the channel's format, or with no channel
    // the block's own) holds its limit.
    static bool is_full(const PcmBlock* block, const AudioChannel* channel);
    // The stream has ended: its Voice plays what is queued and is retired.
    static void finish(PcmBlock* block);
    // The stream was stopped: its Voices (of every format it played in) are
    // retired at the next retire pass with whatever they still hold.
    static void drop(const PcmBlock* block);

    PcmBlock* source = nullptr;
    // The output that owns it; set when it is made.
    AudioOutput* output = nullptr;
    List<PcmChunk*> chunks;
    Mutex lock;
    // Samples in chunks not yet wholly mixed.
    std::atomic<int32_t> queued{0};
    int32_t high_water = 0;
    // Not mixed while set: a new Voice waits for four device buffers of
    // samples, or for the end of its stream.
    std::atomic<uint8_t> buffering{1};
    std::atomic<uint8_t> ended{0};
    std::atomic<uint8_t> remove{0};
    // Set when the Voice is destroyed; the Voice of the stream's next format
    // waits for it.
    std::shared_ptr<std::atomic<uint8_t>> gone = std::make_shared<std::atomic<uint8_t>>(0);
    // Passed over until this is set: the stream's Voice of its previous
    // format has played out. Set before the Voice is linked; then the mixer
    // thread's.
    std::shared_ptr<const std::atomic<uint8_t>> after;
    // The stream's dropped flag (PcmBlock::dropped): set, the Voice is
    // retired like a removed one.
    std::shared_ptr<const std::atomic<uint8_t>> stream_dropped;
};

// One sample format's device, Voices and mixer thread. Its mixer thread
// destroys it.
struct AudioOutput {
    ~AudioOutput();

    // The registered output of that format, created (and its device opened)
    // when there is none; never null. The caller is counted as a user until
    // it calls release, and the output is not retired meanwhile.
    static AudioOutput* get(int32_t bits, int32_t channels, int32_t rate);
    static void release(AudioOutput* out);
    // Appends count samples for the block's stream, making its Voice with
    // the first block; dropped when the output is stopped.
    static void queue(AudioOutput* out, PcmBlock* block, const int32_t* samples, int32_t count);
    // Starts the output's mixer thread unless it has one.
    static void start_mixer(AudioOutput* out);
    // The mixer thread's body; argument is the output.
    static void mix_thread(void* argument);
    // Stops every registered output and waits (about a second at most) for
    // the mixer threads to end: the last act before the registry goes away
    // at process exit.
    static void stop_all();

    // One pass: every ready Voice added from the start of buffer
    // (samples_per_buffer long). Returns the longest contribution; slept
    // tells whether a buffering Voice cost the pass 1 ms.
    int32_t mix_pass(int32_t* buffer, bool& slept);
    // Retires up to five Voices that ended and are drained or were removed.
    void retire_pass();
    // Unregisters the output, when it has no user and is stopped or has no
    // Voice left; true when it did (it is then the mixer thread's alone).
    bool retire();
    void write(const int32_t* samples, int32_t count);
    bool has_voices();
    // The mixer thread's steps along the voice list, each under lock.
    List<Voice*>::Node* first_voice();
    List<Voice*>::Node* next_voice(List<Voice*>::Node* node);
    // queued has reached output_limit_buffers device buffers.
    bool at_limit() const;

    WaveDevice* device = nullptr;
    List<Voice*> voices;
    Mutex lock;
    std::atomic<uint8_t> stopped{0};
    // Samples queued over all Voices (the sum of their queued counts).
    std::atomic<int32_t> queued{0};
    // Under output_registry_lock.
    bool mixer_started = false;
    int32_t users = 0;
};

// A caller-owned target format for a stream.
struct AudioChannel {
    void set(int32_t bits, int32_t channels, int32_t rate);
    void stop();
    // Queues the block on the output of this channel's format.
    void submit(PcmBlock* block);

    int32_t bits = 0;
    int32_t channels = 0;
    int32_t rate = 0;
    std::atomic<uint8_t> stopped{0};
};

// Queues the block on the output of its own format.
void submit_pcm(PcmBlock* block);

// Mixer threads running now.
extern std::atomic<int32_t> mixer_threads;

// Defined with the players in Sound.cpp, which fixes their order.
extern List<AudioOutput*> output_registry;
extern Mutex output_registry_lock;
