// Mixing one second of 44100 Hz stereo for 1, 8 and 64 voices (the mix
// passes and the narrowing into device buffers), decoding an MP3 through
// Mp3Player (decode thread, submission, mixer thread, a recording device)
// against libmpg123 decoding the same bytes bare: each iteration is one
// second of sound, so its CPU time is the fraction of real time it costs.
// And the first play of data that is no MP3.
#include "audio/Mixer.h"
#include "audio/Mp3Player.h"
#include "audio/Music.h"
#include "audio/PcmConversion.h"
#include "audio/WaveDevice.h"
#include "core/MemoryFile.h"
#include "win32/testing_wave.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int32_t samples_per_second = 44100 * 2;
// A decoded block of 4096 bytes.
constexpr int32_t block_samples = 2048;

void mix_one_second(benchmark::State& state) {
    int voices = static_cast<int>(state.range(0));
    testing_wave_record(WaveCompletion::immediate);
    AudioOutput out;
    out.device = WaveDevice::open(16, 2, 44100);
    int32_t n = out.device->samples_per_buffer;
    std::vector<int32_t> mix(static_cast<size_t>(n));
    std::vector<uint8_t> narrow(static_cast<size_t>(n) * 2);
    std::vector<int32_t> block(block_samples);
    for (int32_t i = 0; i < block_samples; ++i)
        block[static_cast<size_t>(i)] = (i * 37) % 2000 - 1000;
    std::deque<PcmBlock> blocks(static_cast<size_t>(voices));

    for (auto _ : state) {
        state.PauseTiming();
        for (PcmBlock& pcm : blocks) {
            for (int32_t queued = 0; queued < samples_per_second; queued += block_samples)
                AudioOutput::queue(&out, &pcm, block.data(),
                                   std::min(block_samples, samples_per_second - queued));
            Voice::finish(&pcm);
        }
        state.ResumeTiming();
        for (;;) {
            std::fill(mix.begin(), mix.end(), 0);
            bool slept = false;
            int32_t mixed = out.mix_pass(mix.data(), slept);
            if (mixed == 0) break;
            int32_to_pcm(narrow.data(), mix.data(), mixed * 2, 16);
            benchmark::DoNotOptimize(narrow.data());
        }
        state.PauseTiming();
        while (out.voices.count > 0) out.retire_pass();
        state.ResumeTiming();
    }
}
BENCHMARK(mix_one_second)->Arg(1)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

// One second of a tone, made with sox and lame.
const std::string& one_second_mp3() {
    static std::string path = [] {
        std::string dir =
            (std::filesystem::temp_directory_path() / "quillfen-bench-mixer").string();
        std::filesystem::create_directories(dir);
        std::string wav = dir + "/tone.wav";
        std::string mp3 = dir + "/tone.mp3";
        std::string command = "sox -n -r 44100 -c 2 -b 16 " + wav +
                              " synth 1.0 sine 440 vol 0.5 && lame --quiet -b 128 " + wav + " " +
                              mp3;
        if (std::system(command.c_str()) != 0) std::abort();
        return mp3;
    }();
    return path;
}

bool idle() {
    MutexLock held(mp3_player.lock);
    return !mp3_player.running && mixer_threads == 0;
}

void mp3_through_player(benchmark::State& state) {
    testing_wave_record(WaveCompletion::immediate);
    MemoryFile file(one_second_mp3().c_str());
    Music music;
    music.set(&file, Music::mp3);
    for (auto _ : state) {
        music.play(nullptr);
        while (!idle()) Sleep(1);
    }
}
BENCHMARK(mp3_through_player)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The first play of 64 MiB that is no MP3 (every play until the handle
// remembers it): the probe gives up after a bounded amount.
void first_play_of_data_that_is_no_mp3(benchmark::State& state) {
    static const std::string path = [] {
        std::string file =
            (std::filesystem::temp_directory_path() / "quillfen-bench-mixer" / "noise.bin")
                .string();
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::string command = "head -c 67108864 /dev/zero | tr '\\0' 'x' > " + file;
        if (std::system(command.c_str()) != 0) std::abort();
        return file;
    }();
    MemoryFile file(path.c_str());
    Music music;
    for (auto _ : state) {
        music.set(&file, Music::mp3);
        music.play(nullptr);
    }
}
BENCHMARK(first_play_of_data_that_is_no_mp3)->Unit(benchmark::kMillisecond);

void mp3_bare(benchmark::State& state) {
    MemoryFile file(one_second_mp3().c_str());
    std::vector<unsigned char> output(4096);
    size_t total = 0;
    for (auto _ : state) {
        int error = 0;
        mpg123_handle* handle = mpg123_new(nullptr, &error);
        mpg123_open_feed(handle);
        size_t done = 0;
        int result = mpg123_decode(handle, file.data(), file.size(), nullptr, 0, &done);
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            result = mpg123_decode(handle, nullptr, 0, output.data(), output.size(), &done);
            total += done;
        }
        mpg123_delete(handle);
    }
    benchmark::DoNotOptimize(total);
}
BENCHMARK(mp3_bare)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
