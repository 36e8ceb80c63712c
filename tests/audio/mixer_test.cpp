// The mixer's parts on their own: sample conversion, one output's mix and
// retire passes, and the wave device's buffer cycle on an on-demand
// recording device.
#include "audio/Mixer.h"
#include "audio/PcmConversion.h"
#include "audio/WaveDevice.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <thread>

namespace {

TEST(PcmConversion, WidensEachWidthAsSigned) {
    const uint8_t eight[] = {0x00, 0x7F, 0x80, 0xFF};
    int32_t out[4];
    pcm_to_int32(out, eight, 4, 8);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 127);
    EXPECT_EQ(out[2], -128);
    EXPECT_EQ(out[3], -1);

    const uint8_t sixteen[] = {0x30, 0x75, 0xD0, 0x8A, 0xFF, 0x7F, 0x00, 0x80};
    pcm_to_int32(out, sixteen, 4, 16);
    EXPECT_EQ(out[0], 30000);
    EXPECT_EQ(out[1], -30000);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out[3], -32768);

    const uint8_t twenty_four[] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
    pcm_to_int32(out, twenty_four, 2, 24);
    EXPECT_EQ(out[0], 8388607);
    EXPECT_EQ(out[1], -8388608);

    const uint8_t thirty_two[] = {0x00, 0x00, 0x00, 0x80, 0x01, 0x02, 0x03, 0x04};
    pcm_to_int32(out, thirty_two, 2, 32);
    EXPECT_EQ(out[0], INT32_MIN);
    EXPECT_EQ(out[1], 0x04030201);

    out[0] = 99;
    pcm_to_int32(out, sixteen, 0, 16);
    EXPECT_EQ(out[0], 99);
}

TEST(PcmConversion, MixClipsToTheWidth) {
    struct Case {
        int32_t bits, accumulator, source, expected;
    };
    const Case cases[] = {
        {16, 30000, 10000, 32767},
        {16, -30000, -10000, -32768},
        {16, 30000, -10000, 20000},
        {8, 100, 27, 127},
        {8, 100, 28, 127},
        {8, -100, -29, -128},
        {24, 8000000, 400000, 8388607},
        {24, -8000000, -400000, -8388608},
        {32, INT32_MAX - 5, 10, INT32_MAX},
        {32, INT32_MIN + 5, -10, INT32_MIN},
        {32, INT32_MAX, INT32_MIN, -1},
    };
    for (const Case& c : cases) {
        int32_t accumulator = c.accumulator;
        mix_clipped(&accumulator, &c.source, 1, c.bits);
        EXPECT_EQ(accumulator, c.expected)
            << c.bits << " bits: " << c.accumulator << " + " << c.source;
    }
}

TEST(PcmConversion, NarrowsToTheDeviceLayout) {
    const int32_t samples[] = {32767, -32768, -1, 0x12345678};
    uint8_t out[16] = {};
    int32_to_pcm(out, samples, 8, 16);
    const uint8_t sixteen[] = {0xFF, 0x7F, 0x00, 0x80, 0xFF, 0xFF, 0x78, 0x56};
    EXPECT_EQ(0, memcmp(out, sixteen, 8));

    int32_to_pcm(out, samples, 16, 32);
    EXPECT_EQ(out[12], 0x78);
    EXPECT_EQ(out[15], 0x12);
    EXPECT_EQ(out[4], 0x00);
    EXPECT_EQ(out[7], 0xFF);

    // 8-bit device samples are unsigned: silence is 128.
    const int32_t eight[] = {0, 127, -128};
    int32_to_pcm(out, eight, 3, 8);
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[1], 255);
    EXPECT_EQ(out[2], 0);

    // Only the given byte count is written.
    uint8_t guard[4] = {7, 7, 7, 7};
    int32_to_pcm(guard, samples, 2, 16);
    EXPECT_EQ(guard[2], 7);
}

// One output on a recording device, driven pass by pass by the test in place
// of its mixer thread.
class MixerOutputPasses : public AudioSuite {
protected:
    void SetUp() override {
        AudioSuite::SetUp();
        testing_wave_record(WaveCompletion::immediate);
        out.device = WaveDevice::open(16, 2, 44100);
        buffer.resize(static_cast<size_t>(out.device->samples_per_buffer));
    }

    // Queues count samples of value for the block's stream.
    void queue(PcmBlock& block, int32_t count, int32_t value) {
        std::vector<int32_t> samples(static_cast<size_t>(count), value);
        AudioOutput::queue(&out, &block, samples.data(), count);
    }

    int32_t pass(bool* slept = nullptr) {
        std::fill(buffer.begin(), buffer.end(), 0);
        bool ignored = false;
        return out.mix_pass(buffer.data(), slept ? *slept : ignored);
    }

    // The streams' blocks outlive the output, as streams outlive a pass.
    PcmBlock blocks[6];
    AudioOutput out;
    std::vector<int32_t> buffer;
};

TEST_F(MixerOutputPasses, ClipsAtEachAdditionInVoiceOrder) {
    const int32_t values[] = {30000, 10000, -10000};
    for (int i = 0; i < 3; ++i) {
        queue(blocks[i], 4, values[i]);
        Voice::finish(&blocks[i]);
    }
    EXPECT_EQ(pass(), 4);
    // 30000 + 10000 clips to 32767 before -10000 is added.
    EXPECT_EQ(buffer[0], 22767);
    EXPECT_EQ(buffer[3], 22767);
    EXPECT_EQ(buffer[4], 0);
}

TEST_F(MixerOutputPasses, LongChunkIsMixedAcrossPassesInPlace) {
    PcmBlock& block = blocks[0];
    std::vector<int32_t> samples(3000);
    for (int32_t i = 0; i < 3000; ++i) samples[static_cast<size_t>(i)] = i;
    AudioOutput::queue(&out, &block, samples.data(), 3000);
    Voice::finish(&block);

    EXPECT_EQ(pass(), 2048);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[2047], 2047);
    ASSERT_NE(block.voice, nullptr);
    EXPECT_EQ(block.voice->queued, 3000);
    EXPECT_EQ(block.voice->chunks.head->value->read, 2048);

    EXPECT_EQ(pass(), 952);
    EXPECT_EQ(buffer[0], 2048);
    EXPECT_EQ(buffer[951], 2999);
    EXPECT_EQ(buffer[952], 0);
    EXPECT_EQ(block.voice->queued, 0);
    EXPECT_EQ(block.voice->chunks.count, 0);

    EXPECT_EQ(pass(), 0);
}

TEST_F(MixerOutputPasses, VoiceBuffersUntilFourDeviceBuffersOrItsEnd) {
    PcmBlock& block = blocks[0];
    // 4 x 2048 = 8192 samples make it ready; the first block never does.
    queue(block, 2048, 1);
    queue(block, 2048, 1);
    queue(block, 2048, 1);
    queue(block, 2047, 1);
    EXPECT_TRUE(block.voice->buffering);
    bool slept = false;
    EXPECT_EQ(pass(&slept), 0);
    EXPECT_TRUE(slept);
    queue(block, 1, 1);
    EXPECT_FALSE(block.voice->buffering);
    slept = false;
    EXPECT_EQ(pass(&slept), 2048);
    EXPECT_FALSE(slept);
    // Below four buffers again: buffering once more with the next block.
    queue(block, 1, 1);
    EXPECT_TRUE(block.voice->buffering);

    PcmBlock& short_sound = blocks[1];
    queue(short_sound, 100, 5);
    EXPECT_TRUE(short_sound.voice->buffering);
    Voice::finish(&short_sound);
    EXPECT_FALSE(short_sound.voice->buffering);
    Voice::finish(&block);
    EXPECT_EQ(pass(), 2048);
    EXPECT_EQ(buffer[0], 6);
    EXPECT_EQ(buffer[100], 1);
}

TEST_F(MixerOutputPasses, DrainedVoiceIsPassedOverWithoutSleeping) {
    PcmBlock& block = blocks[0];
    for (int i = 0; i < 4; ++i) queue(block, 2048, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pass(), 2048);
    // No chunks, its stream still going: passed over at once.
    EXPECT_FALSE(block.voice->buffering);
    bool slept = false;
    EXPECT_EQ(pass(&slept), 0);
    EXPECT_FALSE(slept);
}

TEST_F(MixerOutputPasses, RetiresAtMostFiveVoicesPerPass) {
    for (PcmBlock& block : blocks) {
        queue(block, 8, 1);
        Voice::finish(&block);
    }
    EXPECT_EQ(pass(), 8);
    EXPECT_EQ(buffer[0], 6);
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(blocks[i].voice, nullptr) << "block " << i;
    EXPECT_NE(blocks[5].voice, nullptr);
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 0);
    EXPECT_EQ(blocks[5].voice, nullptr);
}

TEST_F(MixerOutputPasses, RemovedVoiceGoesWithItsQueuedSamples) {
    PcmBlock& kept = blocks[0];
    PcmBlock& removed = blocks[1];
    queue(kept, 8, 1);
    queue(removed, 8, 1);
    // Neither has played; ended without remove waits for its samples.
    Voice::finish(&kept);
    Voice::drop(&removed);
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 1);
    EXPECT_EQ(removed.voice, nullptr);
    EXPECT_NE(kept.voice, nullptr);
}

TEST_F(MixerOutputPasses, ADropReachesTheVoiceOfTheStreamsEarlierFormat) {
    PcmBlock& block = blocks[0];
    queue(block, 8, 1);
    // The stream goes on in another format: its Voice here is let go...
    block.hand_over();
    EXPECT_EQ(block.voice, nullptr);
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 1);  // ...and would play out its samples,
    Voice::drop(&block);             // but the stream is stopped.
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 0);
}

TEST_F(MixerOutputPasses, SamplesAreCountedOnTheOutputOfTheirVoice) {
    PcmBlock& block = blocks[0];
    queue(block, 8, 1);
    // A later block of the stream handed to another output (a channel whose
    // format changed) still joins its Voice here.
    AudioOutput other;
    other.device = WaveDevice::open(16, 1, 22050);
    std::vector<int32_t> samples(8, 1);
    AudioOutput::queue(&other, &block, samples.data(), 8);
    EXPECT_EQ(out.queued.load(), 16);
    EXPECT_EQ(other.queued.load(), 0);
    Voice::finish(&block);
    EXPECT_EQ(pass(), 16);
    EXPECT_EQ(out.queued.load(), 0);
}

TEST_F(MixerOutputPasses, DetachedStreamLeavesItsVoiceWithoutSource) {
    PcmBlock& block = blocks[0];
    queue(block, 8, 1);
    Voice* voice = block.voice;
    Voice::finish(&block);
    block.detach();
    EXPECT_EQ(block.voice, nullptr);
    EXPECT_EQ(voice->source, nullptr);
    // The voice still plays out and is then retired.
    EXPECT_EQ(pass(), 8);
    out.retire_pass();
    EXPECT_EQ(out.voices.count, 0);
}

TEST_F(MixerOutputPasses, StoppedOutputTakesNoNewVoice) {
    out.stopped = 1;
    PcmBlock& block = blocks[0];
    queue(block, 8, 1);
    EXPECT_EQ(block.voice, nullptr);
    EXPECT_EQ(out.voices.count, 0);
}

class WaveDeviceOnDemand : public AudioSuite {
protected:
    void SetUp() override {
        AudioSuite::SetUp();
        testing_wave_record(WaveCompletion::on_demand);
        index = testing_wave_recordings().size();
        device = WaveDevice::open(16, 2, 44100);
        samples.assign(2048, 0);
    }

    WaveRecording recording() const { return testing_wave_recordings().at(index); }
    void TearDown() override {
        delete device;
        AudioSuite::TearDown();
    }

    // Completes the oldest queued buffer, counted in completions first.
    bool complete() {
        ++completions;
        return testing_wave_complete(index);
    }

    // Calls body on another thread; the returned count holds the completions
    // made before body returned.
    std::thread after_completions(std::function<void()> body, std::atomic<int>& seen) {
        return std::thread([this, body, &seen] {
            body();
            seen = completions.load();
        });
    }

    void write() { device->write(samples.data(), 2048); }

    std::atomic<int> completions{0};
    size_t index = 0;
    WaveDevice* device = nullptr;
    std::vector<int32_t> samples;
};

TEST_F(WaveDeviceOnDemand, OpensTheFormatRecord) {
    const WAVEFORMATEXTENSIBLE format = recording().format;
    EXPECT_EQ(format.Format.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(format.Format.nChannels, 2);
    EXPECT_EQ(format.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.Format.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(format.Format.nBlockAlign, 4);
    EXPECT_EQ(format.Format.wBitsPerSample, 16);
    EXPECT_EQ(format.Format.cbSize, 22);
    EXPECT_EQ(format.Samples.wValidBitsPerSample, 16);
    EXPECT_TRUE(format.SubFormat == KSDATAFORMAT_SUBTYPE_PCM);
    EXPECT_EQ(device->samples_per_buffer, 2048);
    device->close();
}

TEST_F(WaveDeviceOnDemand, FourthWriteWaitsForTheFirstBuffer) {
    for (int i = 0; i < 3; ++i) {
        samples[0] = i + 1;
        write();
    }
    EXPECT_EQ(testing_wave_queued(index), 3u);

    // The fourth returns only once buffer 0 is done, which only the test can
    // make happen.
    std::atomic<int> seen{-1};
    samples[0] = 4;
    std::thread fourth = after_completions([this] { write(); }, seen);
    ASSERT_TRUE(eventually([this] { return testing_wave_queued(index) == 4; }));
    EXPECT_TRUE(complete());
    fourth.join();
    EXPECT_EQ(seen, 1);

    // The fifth reuses buffer 0 and then waits for buffer 1.
    samples[0] = 5;
    std::thread fifth = after_completions([this] { write(); }, seen);
    ASSERT_TRUE(eventually([this] { return recording().buffers.size() == 5; }));
    EXPECT_TRUE(complete());
    fifth.join();
    EXPECT_EQ(seen, 2);

    auto buffers = recording().buffers;
    ASSERT_EQ(buffers.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(buffers[static_cast<size_t>(i)].size(), 4096u);
        EXPECT_EQ(buffers[static_cast<size_t>(i)][0], i + 1);
    }
    EXPECT_EQ(device->headers[0].lpData, reinterpret_cast<LPSTR>(device->buffers[0].get()));

    // Closing plays out the three still queued: it returns after the third
    // completion, and the device closes then.
    EXPECT_EQ(testing_wave_queued(index), 3u);
    std::thread closer = after_completions([this] { device->close(); }, seen);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(complete());
    closer.join();
    EXPECT_EQ(seen, 5);
    EXPECT_NE(recording().closed, 0u);
}

TEST_F(WaveDeviceOnDemand, ShortWriteQueuesOnlyItsBytes) {
    samples[99] = -2;
    device->write(samples.data(), 100);
    auto buffers = recording().buffers;
    ASSERT_EQ(buffers.size(), 1u);
    ASSERT_EQ(buffers[0].size(), 200u);
    EXPECT_EQ(buffers[0][198], 0xFE);
    EXPECT_EQ(buffers[0][199], 0xFF);
    testing_wave_complete(index);
    device->close();
}

class WaveDeviceFailure : public AudioSuite {};

TEST_F(WaveDeviceFailure, FailedOpenPrintsAndWritesGoNowhere) {
    testing_wave_record(WaveCompletion::on_demand);
    testing_wave_fail_open(MMSYSERR_NODRIVER);
    CapturedStdout output;
    WaveDevice* device = WaveDevice::open(16, 2, 44100);
    EXPECT_EQ(output.take(), "[!] Could not open device.\n");
    ASSERT_NE(device, nullptr);
    std::vector<int32_t> samples(2048, 1);
    // None of these may wait for a buffer that was never queued.
    for (int i = 0; i < 9; ++i) device->write(samples.data(), 2048);
    for (const WAVEHDR& header : device->headers) EXPECT_EQ(header.dwFlags, 0u);
    device->close();
    delete device;
    EXPECT_TRUE(testing_wave_recordings().empty());
}

}  // namespace
