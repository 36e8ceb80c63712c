#include "audio/OggPlayer.h"

#include "audio/Mixer.h"
#include "core/MemoryFile.h"

// Only the callbacks made here are used.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <iostream>

namespace {

struct OggStream : StreamPlayer::Stream {
    ~OggStream() override {
        if (info) ov_clear(&vf);
    }

    bool decode() override {
        char buffer[4096];
        long result = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &bitstream);
        if (result > 0) {
            pcm->data = buffer;
            pcm->bytes = static_cast<uint32_t>(result);
            submit();
        } else if (result < 0) {
            // The stream stays: the next pass reads on.
            std::cout << "[!] Error: Corrupt bit-stream section!\n";
        }
        return result != 0;
    }

    int bitstream = 0;
    ov_callbacks callbacks{memory_read, memory_seek, nullptr, memory_tell};
    OggVorbis_File vf{};
    // Set once the stream is open; ov_clear is due from then on.
    vorbis_info* info = nullptr;
};

}  // namespace

OggPlayer::~OggPlayer() { shut_down(); }

void OggPlayer::play(Music* owner, const MemoryFile* file, AudioChannel* channel) {
    OggStream* stream = new OggStream;
    stream->owner = owner;
    stream->channel = channel;
    stream->file = new MemoryFile(*file);
    if (ov_open_callbacks(stream->file, &stream->vf, nullptr, -1, stream->callbacks) < 0) {
        delete stream;
        std::cout << "[!] Error: Input does not appear to be an Ogg bitstream.\n";
        return;
    }
    stream->info = ov_info(&stream->vf, -1);
    if (!stream->info || !ov_seekable(&stream->vf)) {
        delete stream;
        return;
    }
    stream->pcm->bits = 16;
    stream->pcm->channels = stream->info->channels;
    stream->pcm->rate = static_cast<int32_t>(stream->info->rate);
    start(stream);
}
