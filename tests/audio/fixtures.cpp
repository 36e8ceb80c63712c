#include "fixtures.h"

#include "audio/Mixer.h"
#include "audio/Mp3Player.h"
#include "audio/OggPlayer.h"

#include <mpg123.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

struct ScratchDir {
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillfen-audio-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder");
        path = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

void run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("fixture command failed: " + command);
}

std::string make_wav(const std::string& name, const Tone& tone) {
    std::string wav = scratch_dir() + "/" + name + ".wav";
    // Repeatable: sox dithers with a fixed seed, so every run makes the same
    // samples.
    run("sox -R -n -r " + std::to_string(tone.rate) + " -c " + std::to_string(tone.channels) +
        " -b 16 " + wav + " synth " + std::to_string(tone.seconds) + " " + tone.synth);
    return wav;
}

bool running(StreamPlayer& player) {
    MutexLock held(player.lock);
    return player.running;
}

}  // namespace

const std::string& scratch_dir() {
    static ScratchDir dir;
    return dir.path;
}

std::string make_mp3(const std::string& name, const Tone& tone, int kbps) {
    std::string wav = make_wav(name, tone);
    std::string mp3 = scratch_dir() + "/" + name + ".mp3";
    run("lame --quiet -b " + std::to_string(kbps) + " " + wav + " " + mp3);
    return mp3;
}

std::string make_ogg(const std::string& name, const Tone& tone) {
    std::string wav = make_wav(name, tone);
    std::string ogg = scratch_dir() + "/" + name + ".ogg";
    run("oggenc -Q -o " + ogg + " " + wav);
    return ogg;
}

std::string write_file(const std::string& name, const Bytes& bytes) {
    std::string path = scratch_dir() + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string concatenate(const std::string& name, const std::vector<std::string>& paths) {
    Bytes all;
    for (const std::string& path : paths) {
        Bytes part = read_file(path);
        all.insert(all.end(), part.begin(), part.end());
    }
    return write_file(name, all);
}

Bytes read_file(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), {});
}

namespace {

// Appends to the last run, or starts a new one when the format differs.
void add_run(std::vector<FormatRun>& runs, int channels, long rate, const void* data,
             size_t bytes) {
    if (runs.empty() || runs.back().channels != channels || runs.back().rate != rate)
        runs.push_back(FormatRun{channels, rate, {}});
    const uint8_t* begin = static_cast<const uint8_t*>(data);
    runs.back().samples.insert(runs.back().samples.end(), begin, begin + bytes);
}

}  // namespace

Bytes mp3_reference(const std::string& path) {
    Bytes out;
    for (const FormatRun& run : mp3_reference_runs(path))
        out.insert(out.end(), run.samples.begin(), run.samples.end());
    return out;
}

std::vector<FormatRun> mp3_reference_runs(const std::string& path) {
    int error = 0;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (size_t i = 0; i < rate_count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    std::vector<FormatRun> runs;
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        unsigned char buffer[8192];
        long rate = 0;
        int channels = 0;
        for (;;) {
            size_t done = 0;
            int result = mpg123_read(handle, buffer, sizeof(buffer), &done);
            // What comes with a new format is the end of the old one.
            if (done > 0) add_run(runs, channels, rate, buffer, done);
            if (result == MPG123_NEW_FORMAT) {
                int encoding = 0;
                mpg123_getformat(handle, &rate, &channels, &encoding);
            } else if (result != MPG123_OK) {
                break;
            }
        }
    }
    mpg123_delete(handle);
    return runs;
}

Bytes ogg_reference(const std::string& path) {
    Bytes out;
    for (const FormatRun& run : ogg_reference_runs(path))
        out.insert(out.end(), run.samples.begin(), run.samples.end());
    return out;
}

std::vector<FormatRun> ogg_reference_runs(const std::string& path) {
    OggVorbis_File vf;
    std::vector<FormatRun> runs;
    if (ov_fopen(path.c_str(), &vf) != 0) return runs;
    // Opened, a chained file stands past its first link.
    ov_raw_seek(&vf, 0);
    char buffer[8192];
    int bitstream = 0;
    for (;;) {
        long result = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &bitstream);
        if (result <= 0) break;
        vorbis_info* info = ov_info(&vf, bitstream);
        add_run(runs, info->channels, info->rate, buffer, static_cast<size_t>(result));
    }
    ov_clear(&vf);
    return runs;
}

Bytes joined(const WaveRecording& recording) {
    Bytes out;
    for (const auto& buffer : recording.buffers)
        out.insert(out.end(), buffer.begin(), buffer.end());
    return out;
}

int64_t sample_sum(const Bytes& bytes) {
    int64_t sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        sum += static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8);
    return sum;
}

bool eventually(const std::function<bool()>& condition, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool audio_idle() {
    if (running(mp3_player) || running(ogg_player) || mixer_threads > 0) return false;
    MutexLock registry(output_registry_lock);
    return output_registry.count == 0;
}

bool play_out_on_demand(double seconds) {
    return eventually(
        [] {
            size_t devices = testing_wave_recordings().size();
            for (size_t i = 0; i < devices; ++i) testing_wave_complete(i);
            return audio_idle();
        },
        seconds);
}
