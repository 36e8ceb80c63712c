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
    run("sox -n -r " + std::to_string(tone.rate) + " -c " + std::to_string(tone.channels) +
        " -b 16 " + wav + " synth " + std::to_string(tone.seconds) + " " + tone.synth);
    return wav;
}

bool running(StreamPlayer& player) {
    player.lock.lock();
    bool result = player.running;
    player.lock.unlock();
    return result;
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

Bytes read_file(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), {});
}

Bytes mp3_reference(const std::string& path) {
    int error = 0;
    mpg123_handle* handle = mpg123_new(nullptr, &error);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (size_t i = 0; i < rate_count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    Bytes out;
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        unsigned char buffer[8192];
        for (;;) {
            size_t done = 0;
            int result = mpg123_read(handle, buffer, sizeof(buffer), &done);
            out.insert(out.end(), buffer, buffer + done);
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) break;
        }
    }
    mpg123_delete(handle);
    return out;
}

Bytes ogg_reference(const std::string& path) {
    OggVorbis_File vf;
    Bytes out;
    if (ov_fopen(path.c_str(), &vf) != 0) return out;
    char buffer[8192];
    int bitstream = 0;
    for (;;) {
        long result = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &bitstream);
        if (result <= 0) break;
        out.insert(out.end(), buffer, buffer + result);
    }
    ov_clear(&vf);
    return out;
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
    output_registry_lock.lock();
    bool empty = output_registry.count == 0;
    output_registry_lock.unlock();
    return empty;
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
