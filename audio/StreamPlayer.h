// What the MP3 and the Ogg Vorbis player share: a list of playing streams,
// each on its own copy of a file, and one decode thread serving them all
// that hands their decoded samples to the mixer.
#pragma once

#include "core/List.h"
#include "core/Mutex.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

class MemoryFile;
struct AudioChannel;
struct Music;
struct PcmBlock;

class StreamPlayer {
public:
    // One playing file.
    struct Stream {
        Stream();
        // The Voice plays what is queued and is retired; the file copy and the
        // block are freed.
        virtual ~Stream();
        // Decodes the stream's next share of one pass and submits it; false
        // once its data has ended (the stream is then destroyed).
        virtual bool decode() = 0;
        // Hands pcm to the channel, or to the mixer in its own format.
        void submit();
        // Later blocks are of this format. When it differs from the block's,
        // the Voice fed so far is handed over (it plays out what it holds),
        // and the next block makes a Voice on the new format's output that
        // plays after it.
        void set_format(int32_t bits, int32_t channels, int32_t rate);
        // The block's format is one the mixer takes.
        bool playable() const;

        // Matched by stop; not owned.
        Music* owner = nullptr;
        // Owned.
        MemoryFile* file = nullptr;
        AudioChannel* channel = nullptr;
        // Owned.
        PcmBlock* pcm;
    };

    StreamPlayer(const StreamPlayer&) = delete;
    StreamPlayer& operator=(const StreamPlayer&) = delete;

    // Removes every stream started by owner at once, its queued sound too.
    void stop(Music* owner);

    // The decode thread's body; argument is the player.
    static void decode_thread(void* argument);

    List<Stream*> streams;
    Mutex lock;
    // The last decode thread started, until it is joined; under lock.
    HANDLE thread = nullptr;
    // A decode thread has started and not yet decided to end; under lock.
    bool running = false;
    // Set at destruction: ends the decode thread.
    std::atomic<uint8_t> stopping{0};

protected:
    StreamPlayer() = default;
    ~StreamPlayer() = default;

    // Appends the stream and starts a decode thread unless one runs.
    void start(Stream* stream);
    // Ends the decode thread and destroys every stream left.
    void shut_down();

private:
    void decode_pass();
};
