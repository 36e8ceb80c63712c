#include "audio/OggPlayer.h"

#include "audio/Mixer.h"
#include "core/MemoryFile.h"

// Only the callbacks made here are used.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <iostream>

namespace {

// Decoded bytes read per stream and decode pass, and how ov_read lays them
// out: little-endian, 16-bit, signed.
constexpr int read_bytes = 4096;
constexpr int little_endian = 0;
constexpr int sample_bytes = 2;
constexpr int signed_samples = 1;

struct OggStream : StreamPlayer::Stream {
    ~OggStream() override {
        if (info) ov_clear(&vf);
    }

    bool decode() override {
        char buffer[read_bytes];
        long result = ov_read(&vf, buffer, sizeof(buffer), little_endian, sample_bytes,
                              signed_samples, &bitstream);
        if (result > 0 && bitstream != link) {
            // The next link of a chained file: it plays in its own format.
            link = bitstream;
            vorbis_info* link_info = ov_info(&vf, link);
            if (!link_info) return false;
            set_format(sample_bytes * 8, link_info->channels,
                       static_cast<int32_t>(link_info->rate));
            if (!playable()) return false;
        }
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
    // The link whose format the block has.
    int link = 0;
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
    // Opening a chained file leaves vorbisfile past the first link, whose
    // samples would never be read: start again from the first byte.
    if (ov_streams(&stream->vf) > 1 && ov_raw_seek(&stream->vf, 0) != 0) {
        delete stream;
        return;
    }
    stream->set_format(sample_bytes * 8, stream->info->channels,
                       static_cast<int32_t>(stream->info->rate));
    start(stream);
}
