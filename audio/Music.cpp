#include "audio/Music.h"

#include "audio/Mp3Player.h"
#include "audio/OggPlayer.h"

void Music::set(MemoryFile* new_file, uint32_t new_kind) {
    set_file(new_file);
    set_kind(new_kind);
}

void Music::set_file(MemoryFile* new_file) {
    file = new_file;
    no_format = false;
}

void Music::set_kind(uint32_t new_kind) {
    kind = new_kind;
    no_format = false;
}

void Music::play(AudioChannel* channel) {
    if (!file || no_format) return;
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
