// The waveOut calls themselves: on SDL's disk driver, which writes what the
// device plays to a file, and on the recording device's paced completion.
#include "fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

WAVEFORMATEX pcm_format(WORD bits, WORD channels, DWORD rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * rate;
    return format;
}

WAVEFORMATEXTENSIBLE extensible_format(WORD bits, WORD channels, DWORD rate) {
    WAVEFORMATEXTENSIBLE format{};
    format.Format = pcm_format(bits, channels, rate);
    format.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    format.Format.cbSize = 22;
    format.Samples.wValidBitsPerSample = bits;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    return format;
}

// A header over its own buffer of 16-bit samples all equal to value.
struct Buffer {
    Buffer(size_t samples, int16_t value) : data(samples * 2) {
        for (size_t i = 0; i < samples; ++i) std::memcpy(&data[i * 2], &value, 2);
        header.lpData = reinterpret_cast<LPSTR>(data.data());
        header.dwBufferLength = static_cast<DWORD>(data.size());
    }
    bool done() const { return header.dwFlags & WHDR_DONE; }
    Bytes data;
    WAVEHDR header{};
};

class WaveOutDisk : public AudioSuite {
protected:
    void SetUp() override {
        AudioSuite::SetUp();
        path = scratch_dir() + "/played.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
        WAVEFORMATEXTENSIBLE format = extensible_format(16, 2, 44100);
        ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format.Format, 0, 0, CALLBACK_NULL),
                  MMSYSERR_NOERROR);
    }

    MMRESULT prepare_and_write(Buffer& buffer) {
        EXPECT_EQ(waveOutPrepareHeader(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        return waveOutWrite(device, &buffer.header, sizeof(WAVEHDR));
    }

    std::string path;
    HWAVEOUT device = nullptr;
};

TEST_F(WaveOutDisk, PlaysHeadersInOrderAndMarksEachDone) {
    // 100 ms each at 44100 Hz stereo.
    Buffer buffers[] = {{8820, 1000}, {8820, 2000}, {8820, 3000}};
    for (Buffer& buffer : buffers) ASSERT_EQ(prepare_and_write(buffer), MMSYSERR_NOERROR);
    EXPECT_TRUE(buffers[2].header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &buffers[2].header, sizeof(WAVEHDR)),
              WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);

    // Done strictly in order of writing.
    for (Buffer& buffer : buffers) {
        ASSERT_TRUE(eventually([&] { return buffer.done(); }, 5));
        for (Buffer& later : buffers) {
            if (&later > &buffer) {
                EXPECT_FALSE(later.done());
            }
        }
        EXPECT_FALSE(buffer.header.dwFlags & WHDR_INQUEUE);
    }
    for (Buffer& buffer : buffers) {
        EXPECT_EQ(waveOutUnprepareHeader(device, &buffer.header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
        EXPECT_FALSE(buffer.header.dwFlags & WHDR_PREPARED);
    }
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);

    // Silence until the first write, the three buffers back to back, silence after.
    Bytes played = read_file(path);
    size_t first = 0;
    while (first < played.size() && played[first] == 0) ++first;
    ASSERT_EQ(first % 4, 0u);
    Bytes expected;
    for (Buffer& buffer : buffers)
        expected.insert(expected.end(), buffer.data.begin(), buffer.data.end());
    ASSERT_GE(played.size(), first + expected.size());
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), played.begin() + static_cast<long>(first)));
    for (size_t i = first + expected.size(); i < played.size(); ++i) ASSERT_EQ(played[i], 0) << i;
}

TEST_F(WaveOutDisk, ResetReturnsEveryQueuedHeader) {
    Buffer buffers[] = {{44100, 1}, {44100, 2}};
    for (Buffer& buffer : buffers) ASSERT_EQ(prepare_and_write(buffer), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    for (Buffer& buffer : buffers) {
        EXPECT_TRUE(buffer.done());
        EXPECT_FALSE(buffer.header.dwFlags & WHDR_INQUEUE);
        EXPECT_EQ(waveOutUnprepareHeader(device, &buffer.header, sizeof(WAVEHDR)),
                  MMSYSERR_NOERROR);
    }
    // Writing goes on after a reset.
    Buffer more(441, 3);
    ASSERT_EQ(prepare_and_write(more), MMSYSERR_NOERROR);
    EXPECT_TRUE(eventually([&] { return more.done(); }, 5));
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(WaveOutDisk, MisusedCallsFailWithTheirCodes) {
    Buffer buffer(16, 1);
    EXPECT_EQ(waveOutWrite(device, &buffer.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutPrepareHeader(device, &buffer.header, sizeof(WAVEHDR) - 1),
              MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutPrepareHeader(device, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
    // Unpreparing an unprepared header does nothing.
    EXPECT_EQ(waveOutUnprepareHeader(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    HWAVEOUT dead = reinterpret_cast<HWAVEOUT>(0x12345);
    EXPECT_EQ(waveOutPrepareHeader(dead, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutWrite(nullptr, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutReset(nullptr), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(nullptr), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

class WaveOutOpen : public AudioSuite {};
class WaveOutRecorder : public AudioSuite {};

TEST_F(WaveOutOpen, RefusesWhatItCannotPlay) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (scratch_dir() + "/refused.raw").c_str(), 1);
    HWAVEOUT device = nullptr;
    WAVEFORMATEXTENSIBLE good = extensible_format(16, 2, 44100);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &good.Format, 0, 0, CALLBACK_NULL),
              MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, nullptr, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(&device, 1, &good.Format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &good.Format, 0, 0, 0x00030000),
              MMSYSERR_INVALFLAG);

    struct Case {
        const char* what;
        WAVEFORMATEXTENSIBLE format;
    };
    Case cases[] = {
        {"24 bits", extensible_format(24, 2, 44100)},
        {"12 bits", extensible_format(12, 2, 44100)},
        {"no channels", extensible_format(16, 0, 44100)},
        {"nine channels", extensible_format(16, 9, 44100)},
        {"rate 0", extensible_format(16, 2, 0)},
        {"block align", extensible_format(16, 2, 44100)},
        {"short extension", extensible_format(16, 2, 44100)},
        {"float subformat", extensible_format(32, 2, 44100)},
        {"valid bits", extensible_format(16, 2, 44100)},
        {"float tag", extensible_format(32, 2, 44100)},
    };
    cases[5].format.Format.nBlockAlign = 2;
    cases[6].format.Format.cbSize = 0;
    cases[7].format.SubFormat.Data1 = 3;
    cases[8].format.Samples.wValidBitsPerSample = 12;
    cases[9].format.Format = pcm_format(32, 2, 44100);
    cases[9].format.Format.wFormatTag = 3;
    for (Case& c : cases)
        EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &c.format.Format, 0, 0, CALLBACK_NULL),
                  WAVERR_BADFORMAT)
            << c.what;

    // Plain PCM records open too, several at once, 8 bits included.
    WAVEFORMATEX plain = pcm_format(8, 1, 22050);
    HWAVEOUT second = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &plain, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutOpen(&second, WAVE_MAPPER, &good.Format, 0, 0, CALLBACK_NULL),
              MMSYSERR_NOERROR);
    EXPECT_NE(device, second);
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(second), MMSYSERR_NOERROR);
}

// SDL picks its audio driver once per process, so this runs in a fresh one.
TEST_F(WaveOutOpen, NoAudioDriverIsAnError) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no such driver", 1);
            HWAVEOUT device = nullptr;
            WAVEFORMATEXTENSIBLE format = extensible_format(16, 2, 44100);
            MMRESULT result =
                waveOutOpen(&device, WAVE_MAPPER, &format.Format, 0, 0, CALLBACK_NULL);
            std::exit(static_cast<int>(result));
        },
        ::testing::ExitedWithCode(MMSYSERR_NODRIVER), "");
}

TEST_F(WaveOutRecorder, PacedCompletionFollowsPlayTime) {
    testing_wave_record(WaveCompletion::paced);
    WAVEFORMATEXTENSIBLE format = extensible_format(16, 1, 10000);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format.Format, 0, 0, CALLBACK_NULL),
              MMSYSERR_NOERROR);
    // 200 ms each.
    Buffer buffers[] = {{2000, 1}, {2000, 2}};
    auto start = std::chrono::steady_clock::now();
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(waveOutPrepareHeader(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    // One after the other: whenever the second is done, so is the first.
    ASSERT_TRUE(eventually(
        [&] {
            bool second = buffers[1].done();
            EXPECT_TRUE(!second || buffers[0].done());
            return second;
        },
        5));
    // Done no sooner than their play time after the first write.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings[0].format.Format.nSamplesPerSec, 10000u);
    ASSERT_EQ(recordings[0].buffers.size(), 2u);
    EXPECT_TRUE(recordings[0].buffers[1] == buffers[1].data);
}

}  // namespace
