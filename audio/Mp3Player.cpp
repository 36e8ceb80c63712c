#include "audio/Mp3Player.h"

#include "audio/Mixer.h"
#include "audio/Music.h"
#include "core/MemoryFile.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

int32_t bits_of(int encoding) {
    switch (encoding) {
        case MPG123_ENC_UNSIGNED_8:
        case MPG123_ENC_SIGNED_8:
            return 8;
        case MPG123_ENC_UNSIGNED_16:
        case MPG123_ENC_SIGNED_16:
            return 16;
        case MPG123_ENC_SIGNED_24:
        case MPG123_ENC_UNSIGNED_24:
            return 24;
        case MPG123_ENC_SIGNED_32:
        case MPG123_ENC_UNSIGNED_32:
        case MPG123_ENC_FLOAT_32:
            return 32;
        default:
            return 0;
    }
}

// Compressed bytes fed to the decoder per stream and decode pass, and the
// most decoded bytes handed to the mixer at once.
constexpr size_t input_block_bytes = 1024;
constexpr size_t output_block_bytes = 4096;
// Compressed bytes the format probe feeds at once (the decoder copies them).
constexpr size_t probe_block_bytes = 4096;

// Compressed bytes the format probe feeds before it takes the data for
// something other than MP3: many times what the first frames of any MP3 take.
constexpr uint64_t probe_limit = 64 * 1024;

// The bytes of an ID3v2 tag at the start of the data (header, body and
// footer), which the decoder passes over before the first frame however long
// it is; 0 without one.
uint32_t leading_tag_size(const MemoryFile& file) {
    // "ID3", version (2 bytes), flags, size (4 bytes); a footer repeats it.
    constexpr uint32_t header_bytes = 10;
    constexpr int flags_at = 5;
    constexpr int size_at = 6;
    constexpr uint8_t footer_flag = 0x10;
    const uint8_t* data = file.data();
    if (file.size() < header_bytes || data[0] != 'I' || data[1] != 'D' || data[2] != '3') return 0;
    // The body's size: four bytes of seven bits each, most significant first.
    uint32_t body = 0;
    for (int i = size_at; i < size_at + 4; ++i) body = body << 7 | (data[i] & 0x7F);
    return header_bytes + body + ((data[flags_at] & footer_flag) ? header_bytes : 0);
}

struct Mp3Stream : StreamPlayer::Stream {
    Mp3Stream() {
        int error = MPG123_OK;
        handle = mpg123_new(nullptr, &error);
        if (!handle) {
            std::cout << std::string("[!] Error: ") + mpg123_plain_strerror(error) + "\n";
        } else {
            // Signed 16-bit output at every rate, mono or stereo: a width the
            // mixer takes.
            mpg123_format_none(handle);
            const long* rates = nullptr;
            size_t rate_count = 0;
            mpg123_rates(&rates, &rate_count);
            for (size_t i = 0; i < rate_count; ++i)
                mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        }
        mpg123_open_feed(handle);
        if (!handle) std::cout << "[!] Error: Feed could not be prepared.\n";
    }

    ~Mp3Stream() override { mpg123_delete(handle); }

    bool decode() override {
        unsigned char input[input_block_bytes];
        size_t n = memory_read(input, sizeof(input), 1, file);
        if (n == 0) {
            // What is still inside the decoder (all of a file that the format
            // probe read whole) plays before the stream ends.
            drain();
            return false;
        }
        size_t done = 0;
        int result = mpg123_decode(handle, input, n, nullptr, 0, &done);
        if (result == MPG123_ERR) {
            report();
            return true;
        }
        if (result == MPG123_NEED_MORE) return true;
        if (result == MPG123_NEW_FORMAT && !take_format()) return false;
        return drain();
    }

    // Submits what the decoder gives, in pieces of at most output_block_bytes, until
    // it needs more input or fails; false when it turns to a format that
    // cannot be played (the stream then ends).
    bool drain() {
        unsigned char output[output_block_bytes];
        for (;;) {
            size_t done = 0;
            int result = mpg123_decode(handle, nullptr, 0, output, sizeof(output), &done);
            if (done > 0) {
                pcm->data = output;
                pcm->bytes = static_cast<uint32_t>(done);
                submit();
            }
            if (result == MPG123_NEW_FORMAT) {
                if (!take_format()) return false;
            } else if (result == MPG123_ERR) {
                report();
                return true;
            } else if (result != MPG123_OK) {
                return true;
            }
        }
    }

    void report() { std::cout << std::string("[!] Error: ") + mpg123_strerror(handle); }

    // The decoder's output format becomes the block's (in the middle of the
    // data too: the parts of a concatenated file each play in their own);
    // false when the mixer cannot take it.
    bool take_format() {
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(handle, &rate, &channels, &encoding);
        set_format(bits_of(encoding), channels, static_cast<int32_t>(rate));
        return playable();
    }

    // Feeds source from its start until the decoder knows the output format,
    // and gives up after probe_limit bytes past a leading tag; true when the
    // format was found and can be played. fed tells how far it read: the
    // decoder keeps those bytes.
    bool probe(const MemoryFile& source, uint32_t& fed) {
        const uint64_t limit = uint64_t{leading_tag_size(source)} + probe_limit;
        while (fed < source.size() && fed < limit) {
            size_t n = std::min<size_t>(probe_block_bytes, source.size() - fed);
            size_t done = 0;
            int result = mpg123_decode(handle, source.data() + fed, n, nullptr, 0, &done);
            fed += static_cast<uint32_t>(n);
            if (result == MPG123_NEW_FORMAT) return take_format();
        }
        return false;
    }

    mpg123_handle* handle = nullptr;
};

}  // namespace

Mp3Player::Mp3Player() { mpg123_init(); }

Mp3Player::~Mp3Player() {
    shut_down();
    mpg123_exit();
}

void Mp3Player::play(Music* owner, const MemoryFile* file, AudioChannel* channel) {
    Mp3Stream* stream = new Mp3Stream;
    stream->owner = owner;
    stream->channel = channel;
    // Probed where it lies, so that data which is no MP3 is never copied.
    uint32_t fed = 0;
    if (!stream->probe(*file, fed)) {
        // Nor is it probed again at every play.
        if (stream->handle && owner) owner->no_format = true;
        delete stream;
        return;
    }
    stream->file = new MemoryFile(*file);
    memory_seek(stream->file, fed, SEEK_SET);
    start(stream);
}
