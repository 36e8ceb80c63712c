// Plays Ogg Vorbis data held in memory: each play opens a stream on its own
// copy of the file through vorbisfile, read on the player's decode thread as
// signed 16-bit little-endian samples.
#pragma once

#include "audio/StreamPlayer.h"

class OggPlayer : public StreamPlayer {
public:
    OggPlayer() = default;
    // Ends the decode thread and destroys the streams.
    ~OggPlayer();

    // Opens a stream on a copy of file, here on the caller's thread.
    void play(Music* owner, const MemoryFile* file, AudioChannel* channel);
};

extern OggPlayer ogg_player;
