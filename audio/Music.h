// A loaded sound's handle: its file and the player of its kind.
#pragma once

#include <cstdint>

class MemoryFile;
struct AudioChannel;

struct Music {
    // The kinds, each played by its global player.
    static constexpr uint32_t ogg_vorbis = 1;
    static constexpr uint32_t mp3 = 2;

    void set(MemoryFile* new_file, uint32_t new_kind);
    void set_file(MemoryFile* new_file);
    void set_kind(uint32_t new_kind);
    // Starts one more stream of the file (channel null: its own format).
    // Nothing without a file, with another kind, or once the file was found
    // to hold no format.
    void play(AudioChannel* channel);
    // Removes this handle's streams from both players; the file is let go.
    void stop();
    // As stop, keeping the file.
    void halt();

    // Owned by the Sound store; null plays nothing.
    MemoryFile* file = nullptr;
    uint32_t kind = 0;
    // Set by the MP3 player when the file held no format it could find: the
    // handle plays nothing until it is given a file again.
    bool no_format = false;
};
