#include "audio/Music.h"

#include "audio/Mp3Player.h"
#include "audio/OggPlayer.h"

void Music::set(MemoryFile* new_file, uint32_t new_kind) {
    file = new_file;
    kind = new_kind;
}

void Music::set_file(MemoryFile* new_file) { file = new_file; }

void Music::set_kind(uint32_t new_kind) { kind = new_kind; }

void Music::play(AudioChannel* channel) {
    if (!file) return;
    if (kind == ogg_vorbis)
        ogg_player.play(this, file, channel);
    else if (kind == mp3)
        mp3_player.play(this, file, channel);
}

void Music::stop() {
    halt();
    file = nullptr;
}

void Music::halt() {
    ogg_player.stop(this);
    mp3_player.stop(this);
}
