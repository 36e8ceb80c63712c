// Fixtures and probes shared by the audio suites: tones made with sox and
// encoded with lame or oggenc into a scratch folder, whole-file reference
// decodes by the real libraries, waits on the audio threads, and the
// fixture every audio test starts from.
#pragma once

#include "win32/testing_wave.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A scratch folder of this process, removed at exit.
const std::string& scratch_dir();

struct Tone {
    double seconds = 1.0;
    int rate = 44100;
    int channels = 2;
    // Added to sox's synth effect chain, e.g. "sine 440 vol 0.5".
    std::string synth = "sine 440 vol 0.5";
};

// Encodes the tone with lame at the bitrate (kbit/s); returns the MP3's path.
std::string make_mp3(const std::string& name, const Tone& tone, int kbps = 128);
// Encodes the tone with oggenc; returns the Ogg file's path.
std::string make_ogg(const std::string& name, const Tone& tone);
std::string write_file(const std::string& name, const Bytes& bytes);
// The files one after the other in one new file (as cat makes it).
std::string concatenate(const std::string& name, const std::vector<std::string>& paths);
Bytes read_file(const std::string& path);

// The whole file decoded at once by libmpg123's own file reader, as signed
// 16-bit samples.
Bytes mp3_reference(const std::string& path);
// The whole file decoded by vorbisfile as signed 16-bit little-endian samples.
Bytes ogg_reference(const std::string& path);

// A stretch of decoded samples in one format.
struct FormatRun {
    int channels = 0;
    long rate = 0;
    Bytes samples;
};
// The reference decodes split where the format changes (between the parts
// of a concatenated MP3, between the links of a chained Ogg Vorbis file).
std::vector<FormatRun> mp3_reference_runs(const std::string& path);
std::vector<FormatRun> ogg_reference_runs(const std::string& path);

// Every buffer of a recording, joined.
Bytes joined(const WaveRecording& recording);
// The sum of the signed 16-bit samples.
int64_t sample_sum(const Bytes& bytes);

// Polls the condition until it holds or the time is up.
bool eventually(const std::function<bool()>& condition, double seconds = 20);
// No decode thread and no mixer thread runs and no output is registered.
bool audio_idle();
// With on-demand devices: completes queued buffers until the audio is idle.
bool play_out_on_demand(double seconds = 20);

// Each test starts with the layer's wave controls reset (the sound card, no
// recordings) and leaves no audio thread behind for the next, whatever its
// checks found.
class AudioSuite : public ::testing::Test {
protected:
    void SetUp() override { testing_wave_reset(); }
    void TearDown() override {
        EXPECT_TRUE(play_out_on_demand()) << "the audio threads did not end";
        testing_wave_reset();
    }
};

// Standard output captured from construction until take, which returns it.
// A check that fails in between still ends the capture, so the next test
// can capture again.
class CapturedStdout {
public:
    CapturedStdout() { testing::internal::CaptureStdout(); }
    ~CapturedStdout() {
        if (!taken) take();
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string take() {
        taken = true;
        return testing::internal::GetCapturedStdout();
    }

private:
    bool taken = false;
};
