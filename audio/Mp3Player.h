// Plays MP3 data held in memory: each play starts a stream on its own copy
// of the file, decoded by libmpg123 in feed mode on the player's decode
// thread.
#pragma once

#include "audio/StreamPlayer.h"

class Mp3Player : public StreamPlayer {
public:
    // Initialises libmpg123.
    Mp3Player();
    // Ends the decode thread, destroys the streams, ends libmpg123.
    ~Mp3Player();

    // Starts a stream on a copy of file; its format is found here, on the
    // caller's thread. Data in which no usable format is found within a
    // bounded number of bytes starts no stream, and owner remembers that.
    void play(Music* owner, const MemoryFile* file, AudioChannel* channel);
};

extern Mp3Player mp3_player;
