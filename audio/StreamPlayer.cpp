#include "audio/StreamPlayer.h"

#include "audio/Mixer.h"
#include "core/MemoryFile.h"
#include "core/Thread.h"

#include <process.h>

StreamPlayer::Stream::Stream() : pcm(new PcmBlock) {}

StreamPlayer::Stream::~Stream() {
    Voice::finish(pcm);
    pcm->detach();
    delete pcm;
    delete file;
}

void StreamPlayer::Stream::submit() {
    if (channel)
        channel->submit(pcm);
    else
        submit_pcm(pcm);
}

void StreamPlayer::Stream::set_format(int32_t bits, int32_t channels, int32_t rate) {
    if (bits == pcm->bits && channels == pcm->channels && rate == pcm->rate) return;
    pcm->hand_over();
    pcm->bits = bits;
    pcm->channels = channels;
    pcm->rate = rate;
}

bool StreamPlayer::Stream::playable() const {
    return (pcm->bits == 8 || pcm->bits == 16 || pcm->bits == 32) && pcm->channels > 0 &&
           pcm->rate > 0;
}

void StreamPlayer::start(Stream* stream) {
    HANDLE finished = nullptr;
    {
        MutexLock held(lock);
        streams.append(stream);
        // The decode thread decides to end under this lock, so either it
        // will still see this stream, or it has already left and a new one
        // starts.
        if (!running) {
            finished = thread;
            thread = start_thread(decode_thread, this);
            if (thread) running = true;
        }
    }
    // The thread that ended is joined without the lock.
    if (finished) {
        WaitForSingleObject(finished, INFINITE);
        CloseHandle(finished);
    }
}

void StreamPlayer::stop(Music* owner) {
    MutexLock held(lock);
    for (auto* node = streams.head; node;) {
        auto* next = node->next;
        Stream* stream = node->value;
        if (stream->owner == owner) {
            Voice::drop(stream->pcm);
            delete stream;
            streams.erase(node);
        }
        node = next;
    }
}

void StreamPlayer::decode_thread(void* argument) {
    StreamPlayer* player = static_cast<StreamPlayer*>(argument);
    for (;;) {
        {
            MutexLock held(player->lock);
            if (player->streams.count == 0 || player->stopping) {
                player->running = false;
                return;
            }
        }
        // Without the lock between passes: play and stop take their turn.
        Sleep(1);
        MutexLock held(player->lock);
        if (!player->stopping) player->decode_pass();
    }
}

void StreamPlayer::decode_pass() {
    for (auto* node = streams.head; node && !stopping;) {
        auto* next = node->next;
        Stream* stream = node->value;
        if (!Voice::is_full(stream->pcm, stream->channel) && !stream->decode()) {
            delete stream;
            streams.erase(node);
        }
        node = next;
    }
}

void StreamPlayer::shut_down() {
    stopping = 1;
    HANDLE last = nullptr;
    {
        MutexLock held(lock);
        last = thread;
        thread = nullptr;
    }
    // Joined without the lock, which the thread takes to end.
    if (last) {
        WaitForSingleObject(last, INFINITE);
        CloseHandle(last);
    }
    MutexLock held(lock);
    for (auto* node = streams.head; node; node = node->next) delete node->value;
    streams.clear();
}
