#include "audio/Mp3Player.h"

#include "audio/Mixer.h"
#include "core/MemoryFile.h"

#include <mpg123.h>

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
        unsigned char input[1024];
        size_t n = memory_read(input, sizeof(input), 1, file);
        if (n == 0) {
            // What is still inside the decoder (all of a file that the format
            // probe read whole) plays before the stream ends.
            drain();
            return false;
        }
        size_t done = 0;
        int result = mpg123_decode(handle, input, n, nullptr, 0, &done);
        if (result == MPG123_ERR)
            report();
        else if (result != MPG123_NEED_MORE)
            drain();
        return true;
    }

    // Submits what the decoder gives, in pieces of at most 4096 bytes, until
    // it needs more input or fails.
    void drain() {
        unsigned char output[4096];
        for (;;) {
            size_t done = 0;
            int result = mpg123_decode(handle, nullptr, 0, output, sizeof(output), &done);
            if (done > 0) {
                pcm->data = output;
                pcm->bytes = static_cast<uint32_t>(done);
                submit();
            }
            if (result == MPG123_ERR) {
                report();
                return;
            }
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return;
        }
    }

    void report() { std::cout << std::string("[!] Error: ") + mpg123_strerror(handle); }

    // Feeds the file until the decoder knows the output format.
    void probe() {
        unsigned char buffer[4096];
        for (;;) {
            size_t n = memory_read(buffer, sizeof(buffer), 1, file);
            if (n == 0) return;
            size_t done = 0;
            if (mpg123_decode(handle, buffer, n, nullptr, 0, &done) == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0;
                int encoding = 0;
                mpg123_getformat(handle, &rate, &channels, &encoding);
                pcm->rate = static_cast<int32_t>(rate);
                pcm->channels = channels;
                pcm->bits = bits_of(encoding);
                return;
            }
        }
    }

    bool playable() const {
        return (pcm->bits == 8 || pcm->bits == 16 || pcm->bits == 32) && pcm->channels > 0 &&
               pcm->rate > 0;
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
    stream->file = new MemoryFile(*file);
    stream->probe();
    if (!stream->playable()) {
        delete stream;
        return;
    }
    start(stream);
}
