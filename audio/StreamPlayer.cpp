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
    Voice::finish(pcm);
    pcm->detach();
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
    lock.lock();
    streams.append(stream);
    // The decode thread decides to end under this lock, so either it will
    // still see this stream, or it has already left and a new one starts.
    if (!running) {
        finished = thread;
        thread = start_thread(decode_thread, this);
        if (thread) running = true;
    }
    lock.unlock();
    if (finished) {
        WaitForSingleObject(finished, INFINITE);
        CloseHandle(finished);
    }
}

void StreamPlayer::stop(Music* owner) {
    lock.lock();
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
    lock.unlock();
}

void StreamPlayer::decode_thread(void* argument) {
    StreamPlayer* player = static_cast<StreamPlayer*>(argument);
    player->lock.lock();
    while (player->streams.count > 0 && !player->stopping) {
        player->lock.unlock();
        Sleep(1);
        player->lock.lock();
        if (!player->stopping) player->decode_pass();
    }
    player->running = false;
    player->lock.unlock();
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
    lock.lock();
    HANDLE last = thread;
    thread = nullptr;
    lock.unlock();
    if (last) {
        WaitForSingleObject(last, INFINITE);
        CloseHandle(last);
    }
    lock.lock();
    for (auto* node = streams.head; node; node = node->next) delete node->value;
    streams.clear();
    lock.unlock();
}
