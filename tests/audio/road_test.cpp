// Real MP3 and Ogg Vorbis data through the whole audio engine — the sound
// store, a player's decode thread, the mixer thread, the wave device — onto
// the layer's recording device, compared with whole-file decodes by the
// libraries themselves.
#include "audio/Mixer.h"
#include "audio/Mp3Player.h"
#include "audio/Music.h"
#include "audio/OggPlayer.h"
#include "audio/Sound.h"
#include "audio/WaveDevice.h"
#include "core/Config.h"
#include "core/MemoryFile.h"
#include "fixtures.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <fstream>
#include <random>
#include <thread>

namespace {

std::string factory_with(const std::string& sounds_section) {
    std::string path = scratch_dir() + "/factory.txt";
    std::ofstream(path) << "[textures]\nship = ship.png\n" << sounds_section;
    return path;
}

Config load_config(const std::string& path) {
    Config config;
    EXPECT_TRUE(config.load(path.c_str()));
    return config;
}

// A handle on a file of its own, as the sound store makes them.
struct Handle {
    Handle(const std::string& path, uint32_t kind) : file(path.c_str()) {
        EXPECT_TRUE(file.is_loaded()) << path;
        music.set(&file, kind);
    }
    ~Handle() { music.stop(); }
    MemoryFile file;
    Music music;
};

void expect_format(const WaveRecording& recording, int bits, int channels, int rate) {
    EXPECT_EQ(recording.format.Format.wBitsPerSample, bits);
    EXPECT_EQ(recording.format.Format.nChannels, channels);
    EXPECT_EQ(recording.format.Format.nSamplesPerSec, static_cast<DWORD>(rate));
}

// An MP3 whose format changes: seconds of 44.1 kHz stereo, then as many of
// 22.05 kHz mono; the parts' files and the whole.
struct ChangingMp3 {
    std::string stereo;
    std::string both;
};
ChangingMp3 changing_mp3(double seconds) {
    std::string stereo = make_mp3("first", Tone{seconds, 44100, 2, "sine 440 vol 0.5"});
    std::string mono = make_mp3("second", Tone{seconds, 22050, 1, "sine 660 vol 0.5"}, 64);
    return {stereo, concatenate("changing.mp3", {stereo, mono})};
}

class AudioRoad : public AudioSuite {};
class AudioMessages : public AudioSuite {};
class AudioStress : public AudioSuite {};

size_t voices_on_first_output() {
    MutexLock registry(output_registry_lock);
    if (!output_registry.head) return 0;
    AudioOutput* out = output_registry.head->value;
    MutexLock held(out->lock);
    return static_cast<size_t>(out->voices.count);
}

TEST_F(AudioRoad, Mp3FromTheFactoryPlaysByteForByte) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("tone", Tone{});
    Config factory = load_config(factory_with("[sounds]\nbeep = " + mp3 + "\n"));
    Sound sound;
    CapturedStdout output;
    ASSERT_TRUE(sound.load(factory));
    sound.play_sound("beep");
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_EQ(output.take(), "");

    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    expect_format(recordings[0], 16, 2, 44100);
    EXPECT_NE(recordings[0].closed, 0u);
    for (const auto& buffer : recordings[0].buffers) EXPECT_LE(buffer.size(), 4096u);
    Bytes reference = mp3_reference(mp3);
    ASSERT_EQ(reference.size(), 176400u);
    EXPECT_TRUE(joined(recordings[0]) == reference);
}

TEST_F(AudioRoad, ShortMp3ReadWholeByTheProbeStillPlays) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("short", Tone{0.05, 44100, 2, "sine 440 vol 0.5"}, 32);
    ASSERT_LE(read_file(mp3).size(), 4096u);
    Handle handle(mp3, Music::mp3);
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));

    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    Bytes reference = mp3_reference(mp3);
    ASSERT_GT(reference.size(), 0u);
    EXPECT_TRUE(joined(recordings[0]) == reference);
}

TEST_F(AudioRoad, TwoFormatsOpenTwoDevicesAndALaterSoundReopens) {
    testing_wave_record(WaveCompletion::on_demand);
    std::string stereo = make_mp3("stereo", Tone{});
    std::string mono = make_mp3("mono", Tone{0.5, 22050, 1, "sine 660 vol 0.5"}, 64);
    Handle first(stereo, Music::mp3);
    Handle second(mono, Music::mp3);
    first.music.play(nullptr);
    second.music.play(nullptr);

    // On-demand devices hold their buffers: both outputs stay up meanwhile.
    ASSERT_TRUE(eventually([] {
        auto recordings = testing_wave_recordings();
        return recordings.size() == 2 && !recordings[0].buffers.empty() &&
               !recordings[1].buffers.empty();
    }));
    EXPECT_EQ(mixer_threads, 2);
    auto recordings = testing_wave_recordings();
    EXPECT_EQ(recordings[0].closed, 0u);
    EXPECT_EQ(recordings[1].closed, 0u);

    ASSERT_TRUE(play_out_on_demand());
    recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 2u);
    // Devices open in the order of the first block of each format.
    bool stereo_first = recordings[0].format.Format.nChannels == 2;
    const WaveRecording stereo_device = recordings[stereo_first ? 0 : 1];
    const WaveRecording mono_device = recordings[stereo_first ? 1 : 0];
    expect_format(stereo_device, 16, 2, 44100);
    expect_format(mono_device, 16, 1, 22050);
    EXPECT_NE(stereo_device.closed, 0u);
    EXPECT_NE(mono_device.closed, 0u);
    EXPECT_TRUE(joined(stereo_device) == mp3_reference(stereo));
    EXPECT_TRUE(joined(mono_device) == mp3_reference(mono));

    first.music.play(nullptr);
    ASSERT_TRUE(play_out_on_demand());
    recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 3u);
    expect_format(recordings[2], 16, 2, 44100);
    EXPECT_GT(recordings[2].opened, stereo_device.closed);
    EXPECT_TRUE(joined(recordings[2]) == mp3_reference(stereo));
}

TEST_F(AudioRoad, Mp3WhoseFormatChangesPlaysEachPartInItsOwnFormat) {
    testing_wave_record(WaveCompletion::immediate);
    const std::string both = changing_mp3(0.5).both;
    Handle handle(both, Music::mp3);
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));

    auto runs = mp3_reference_runs(both);
    ASSERT_EQ(runs.size(), 2u);
    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 2u);
    expect_format(recordings[0], 16, 2, 44100);
    expect_format(recordings[1], 16, 1, 22050);
    EXPECT_TRUE(joined(recordings[0]) == runs[0].samples);
    EXPECT_TRUE(joined(recordings[1]) == runs[1].samples);
}

TEST_F(AudioRoad, PartsOfAnotherFormatPlayOneAfterTheOther) {
    testing_wave_record(WaveCompletion::on_demand);
    const std::string both = changing_mp3(0.5).both;
    Handle handle(both, Music::mp3);
    handle.music.play(nullptr);
    // Decoded whole: both Voices hold all they will get, both devices are
    // open, and the first waits for its buffers to be played.
    ASSERT_TRUE(eventually([] {
        MutexLock held(mp3_player.lock);
        return !mp3_player.running && testing_wave_recordings().size() == 2;
    }));
    // Only the first device plays until it is done.
    ASSERT_TRUE(eventually([] {
        testing_wave_complete(0);
        return testing_wave_recordings()[0].closed != 0;
    }));
    ASSERT_TRUE(play_out_on_demand());

    auto recordings = testing_wave_recordings();
    ASSERT_FALSE(recordings[0].written.empty());
    ASSERT_FALSE(recordings[1].written.empty());
    EXPECT_GT(recordings[1].written.front(), recordings[0].written.back());
    auto runs = mp3_reference_runs(both);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(joined(recordings[0]) == runs[0].samples);
    EXPECT_TRUE(joined(recordings[1]) == runs[1].samples);
}

TEST_F(AudioRoad, StopSilencesTheEarlierPartsOfAStreamWhoseFormatChanged) {
    testing_wave_record(WaveCompletion::on_demand);
    const ChangingMp3 mp3 = changing_mp3(3.0);
    Handle handle(mp3.both, Music::mp3);
    handle.music.play(nullptr);
    // Both parts' devices open: the first part's Voice was let go and holds
    // seconds of samples that the first device has not taken yet.
    ASSERT_TRUE(eventually(
        [] { return testing_wave_recordings().size() == 2 && testing_wave_queued(0) == 4; }));
    handle.music.stop();
    size_t written = testing_wave_recordings()[0].buffers.size();
    ASSERT_TRUE(play_out_on_demand());

    auto recordings = testing_wave_recordings();
    EXPECT_LE(recordings[0].buffers.size(), written + 2);
    EXPECT_LT(joined(recordings[0]).size(), mp3_reference(mp3.stereo).size() / 10);
}

TEST_F(AudioRoad, ChainedOggPlaysEachLinkInItsOwnFormat) {
    testing_wave_record(WaveCompletion::immediate);
    // Each link its own encode: links of a chain have serial numbers of their own.
    std::string stereo = make_ogg("first", Tone{0.5, 44100, 2, "sine 440 vol 0.5"});
    std::string mono = make_ogg("second", Tone{0.5, 22050, 1, "sine 660 vol 0.5"});
    std::string third = make_ogg("third", Tone{0.5, 44100, 2, "sine 550 vol 0.5"});
    std::string chained = concatenate("chained.ogg", {stereo, mono, third});
    Handle handle(chained, Music::ogg_vorbis);
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));

    auto runs = ogg_reference_runs(chained);
    ASSERT_EQ(runs.size(), 3u);
    // The third link's format is the first's: it plays on that output again,
    // reopened or (had the first not finished yet) still open.
    Bytes stereo_played;
    Bytes mono_played;
    for (const WaveRecording& recording : testing_wave_recordings()) {
        Bytes played = joined(recording);
        bool is_stereo = recording.format.Format.nChannels == 2;
        if (is_stereo)
            expect_format(recording, 16, 2, 44100);
        else
            expect_format(recording, 16, 1, 22050);
        Bytes& into = is_stereo ? stereo_played : mono_played;
        into.insert(into.end(), played.begin(), played.end());
    }
    Bytes stereo_runs = runs[0].samples;
    stereo_runs.insert(stereo_runs.end(), runs[2].samples.begin(), runs[2].samples.end());
    EXPECT_TRUE(stereo_played == stereo_runs);
    EXPECT_TRUE(mono_played == runs[1].samples);
}

TEST_F(AudioRoad, TenOverlappingPlaysMixOnOneOutput) {
    testing_wave_record(WaveCompletion::on_demand);
    // Quiet enough that ten never clip, with an offset so the sum tells.
    std::string mp3 = make_mp3("gun", Tone{0.3, 44100, 2, "sine 440 vol 0.02 dcshift 0.01"});
    Handle handle(mp3, Music::mp3);
    for (int i = 0; i < 10; ++i) handle.music.play(nullptr);
    EXPECT_TRUE(eventually([] { return voices_on_first_output() == 10; }));
    ASSERT_TRUE(play_out_on_demand());

    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    Bytes reference = mp3_reference(mp3);
    ASSERT_NE(sample_sum(reference), 0);
    EXPECT_EQ(sample_sum(joined(recordings[0])), 10 * sample_sum(reference));
}

TEST_F(AudioRoad, MusicStopEndsALongSoundWithinTwoBuffers) {
    testing_wave_record(WaveCompletion::on_demand);
    std::string mp3 = make_mp3("long", Tone{5.0, 44100, 2, "sine 440 vol 0.5"});
    Handle handle(mp3, Music::mp3);
    handle.music.play(nullptr);
    // Four buffers written: the mixer waits on the first.
    ASSERT_TRUE(eventually([] { return testing_wave_queued(0) == 4; }));
    handle.music.stop();
    EXPECT_EQ(handle.music.file, nullptr);
    size_t written = testing_wave_recordings()[0].buffers.size();
    ASSERT_TRUE(play_out_on_demand());

    auto recording = testing_wave_recordings()[0];
    EXPECT_LE(recording.buffers.size(), written + 2);
    EXPECT_NE(recording.closed, 0u);
    EXPECT_LT(joined(recording).size(), mp3_reference(mp3).size() / 10);
    // A stopped handle plays nothing.
    handle.music.play(nullptr);
    EXPECT_TRUE(audio_idle());
}

TEST_F(AudioRoad, DeletingTheStoreSilencesWhatPlays) {
    testing_wave_record(WaveCompletion::on_demand);
    std::string mp3 = make_mp3("music", Tone{5.0, 44100, 2, "sine 440 vol 0.5"});
    Config factory = load_config(factory_with("[sounds]\nmusic = " + mp3 + "\n"));
    Sound* sound = new Sound;
    ASSERT_TRUE(sound->load(factory));
    sound->play_sound("music");
    sound->play_sound("music");
    ASSERT_TRUE(eventually([] { return testing_wave_queued(0) == 4; }));
    delete sound;
    ASSERT_TRUE(play_out_on_demand());
    EXPECT_LT(joined(testing_wave_recordings()[0]).size(), mp3_reference(mp3).size() / 10);
}

TEST_F(AudioRoad, OggPlaysByteForByte) {
    testing_wave_record(WaveCompletion::immediate);
    std::string ogg = make_ogg("tone", Tone{});
    Handle handle(ogg, Music::ogg_vorbis);
    CapturedStdout output;
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_EQ(output.take(), "");

    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    expect_format(recordings[0], 16, 2, 44100);
    Bytes reference = ogg_reference(ogg);
    ASSERT_EQ(reference.size(), 176400u);
    EXPECT_TRUE(joined(recordings[0]) == reference);
}

TEST_F(AudioRoad, ChannelSetsTheOutputFormat) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mono = make_mp3("mono", Tone{0.5, 22050, 1, "sine 660 vol 0.5"}, 64);
    Handle handle(mono, Music::mp3);
    AudioChannel channel;
    channel.set(16, 2, 44100);
    handle.music.play(&channel);
    ASSERT_TRUE(eventually(audio_idle));
    auto recordings = testing_wave_recordings();
    ASSERT_EQ(recordings.size(), 1u);
    // The samples go as they are to the channel's format.
    expect_format(recordings[0], 16, 2, 44100);
    EXPECT_TRUE(joined(recordings[0]) == mp3_reference(mono));

    channel.stop();
    handle.music.play(&channel);
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_EQ(testing_wave_recordings().size(), 1u);
}

TEST_F(AudioMessages, StoreLoadAndPlay) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("tone", Tone{0.1, 44100, 2, "sine 440 vol 0.5"});
    std::string missing = scratch_dir() + "/missing.mp3";
    struct Case {
        std::string factory;
        bool loads;
        std::string output;
    };
    const Case cases[] = {
        {"", false, "[!] Sound::load: Could not find [sounds] section\n"},
        {"[Sounds]\na = " + mp3 + "\n", false,
         "[!] Sound::load: Could not find [sounds] section\n"},
        {"[sounds]\n", true, ""},
        {"[sounds]\na = " + mp3 + "\nb = " + missing + "\nc = " + mp3 + "\n", false,
         "[!] Sound::import_mp3: \"" + missing + "\" could not be found.\n"},
    };
    for (const Case& c : cases) {
        Config factory = load_config(factory_with(c.factory));
        Sound sound;
        CapturedStdout printed;
        EXPECT_EQ(sound.load(factory), c.loads) << c.factory;
        EXPECT_EQ(printed.take(), c.output) << c.factory;
    }

    // After the failed load: what came before stays, what came after is not there.
    Config factory = load_config(factory_with(cases[3].factory));
    Sound sound;
    CapturedStdout load_output;
    sound.load(factory);
    load_output.take();
    CapturedStdout output;
    sound.play_sound("a");
    sound.play_sound("c");
    sound.play_sound("never loaded");
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_EQ(output.take(),
              "[!] Sound::play_sound: \"c\" could not be found.\n"
              "[!] Sound::play_sound: \"never loaded\" could not be found.\n");
    ASSERT_EQ(testing_wave_recordings().size(), 1u);
    EXPECT_TRUE(joined(testing_wave_recordings()[0]) == mp3_reference(mp3));
}

TEST_F(AudioMessages, DataThatIsNoSoundPlaysNothing) {
    testing_wave_record(WaveCompletion::immediate);
    std::string text = write_file("text.bin", Bytes(5000, 'x'));
    std::string empty = write_file("empty.bin", Bytes());
    for (const std::string& path : {text, empty}) {
        Handle as_mp3(path, Music::mp3);
        Handle as_ogg(path, Music::ogg_vorbis);
        Handle other(path, 7);
        CapturedStdout output;
        as_mp3.music.play(nullptr);
        other.music.play(nullptr);
        as_ogg.music.play(nullptr);
        EXPECT_EQ(output.take(), "[!] Error: Input does not appear to be an Ogg bitstream.\n")
            << path;
    }
    EXPECT_TRUE(eventually(audio_idle));
    EXPECT_TRUE(testing_wave_recordings().empty());
}

TEST_F(AudioMessages, LongDataThatIsNoMp3IsProbedOnlySoFarAndOnce) {
    testing_wave_record(WaveCompletion::immediate);
    // An MP3 a megabyte into the data is past where the probe gives up.
    Bytes data(1 << 20, 'x');
    Bytes mp3 = read_file(make_mp3("late", Tone{0.2, 44100, 2, "sine 440 vol 0.5"}));
    data.insert(data.end(), mp3.begin(), mp3.end());
    Handle handle(write_file("late.mp3", data), Music::mp3);
    CapturedStdout output;
    handle.music.play(nullptr);
    EXPECT_TRUE(handle.music.no_format);
    EXPECT_TRUE(eventually(audio_idle));
    EXPECT_TRUE(testing_wave_recordings().empty());
    // Later plays do not probe again: not even once the same file holds a
    // playable MP3. Only a file set anew is probed anew.
    std::string playable = make_mp3("early", Tone{0.2, 44100, 2, "sine 440 vol 0.5"});
    ASSERT_TRUE(handle.file.load(playable.c_str()));
    handle.music.play(nullptr);
    EXPECT_TRUE(audio_idle());
    EXPECT_TRUE(testing_wave_recordings().empty());
    handle.music.set_file(&handle.file);
    EXPECT_FALSE(handle.music.no_format);
    handle.music.play(nullptr);
    EXPECT_TRUE(eventually(audio_idle));
    EXPECT_EQ(testing_wave_recordings().size(), 1u);
    EXPECT_EQ(output.take(), "");
}

TEST_F(AudioMessages, Mp3BehindALargeTagStillPlays) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("tagged", Tone{0.2, 44100, 2, "sine 440 vol 0.5"});
    // An ID3v2 tag of 300000 bytes of padding: its size is stored in seven
    // bits per byte.
    const uint32_t size = 300000;
    Bytes data = {'I', 'D', '3', 4, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7) data.push_back((size >> shift) & 0x7F);
    data.resize(10 + size, 0);
    Bytes audio = read_file(mp3);
    data.insert(data.end(), audio.begin(), audio.end());
    Handle handle(write_file("tagged.mp3", data), Music::mp3);
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_FALSE(handle.music.no_format);
    ASSERT_EQ(testing_wave_recordings().size(), 1u);
    EXPECT_TRUE(joined(testing_wave_recordings()[0]) == mp3_reference(mp3));
}

TEST_F(AudioMessages, CorruptOggSectionIsReportedAndReadOn) {
    testing_wave_record(WaveCompletion::immediate);
    Bytes data = read_file(make_ogg("corrupt", Tone{2.0, 44100, 2, "pinknoise vol 0.3"}));
    // Lose one page in the middle: the page sequence has a hole there.
    std::vector<size_t> pages;
    for (size_t i = 0; i + 4 <= data.size(); ++i)
        if (data[i] == 'O' && data[i + 1] == 'g' && data[i + 2] == 'g' && data[i + 3] == 'S')
            pages.push_back(i);
    ASSERT_GT(pages.size(), 5u);
    size_t middle = pages.size() / 2;
    data.erase(data.begin() + static_cast<long>(pages[middle]),
               data.begin() + static_cast<long>(pages[middle + 1]));
    Handle handle(write_file("corrupt.ogg", data), Music::ogg_vorbis);
    CapturedStdout output;
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));
    std::string printed = output.take();
    const std::string line = "[!] Error: Corrupt bit-stream section!\n";
    ASSERT_GE(printed.size(), line.size());
    for (size_t at = 0; at < printed.size(); at += line.size())
        EXPECT_EQ(printed.substr(at, line.size()), line);
    // The rest of the stream still played.
    ASSERT_EQ(testing_wave_recordings().size(), 1u);
    EXPECT_GT(joined(testing_wave_recordings()[0]).size(), 176400u);
}

TEST_F(AudioMessages, Mp3DecodeErrorHasNoLineEnd) {
    testing_wave_record(WaveCompletion::immediate);
    Bytes data = read_file(make_mp3("broken", Tone{}));
    // A long run without any frame header makes the decoder give up its resync.
    data.insert(data.begin() + 8000, 6000, 0);
    Handle handle(write_file("broken.mp3", data), Music::mp3);
    CapturedStdout output;
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));
    std::string printed = output.take();
    const std::string text = std::string("[!] Error: ") + mpg123_plain_strerror(MPG123_RESYNC_FAIL);
    ASSERT_GE(printed.size(), text.size());
    for (size_t at = 0; at < printed.size(); at += text.size())
        EXPECT_EQ(printed.substr(at, text.size()), text);
    // The stream went on after each error: far more played than the 88200
    // bytes before the damage. (How much of the damage the decoder takes for
    // frames, in formats of their own, varies from run to run.)
    size_t bytes = 0;
    for (const WaveRecording& recording : testing_wave_recordings())
        bytes += joined(recording).size();
    EXPECT_GT(bytes, 120000u);
}

TEST_F(AudioMessages, FailedDeviceOpenLeavesNothingRunning) {
    testing_wave_record(WaveCompletion::on_demand);
    testing_wave_fail_open(MMSYSERR_BADDEVICEID);
    std::string mp3 = make_mp3("tone", Tone{});
    Handle handle(mp3, Music::mp3);
    CapturedStdout output;
    handle.music.play(nullptr);
    ASSERT_TRUE(eventually(audio_idle));
    EXPECT_EQ(output.take(), "[!] Could not open device.\n");
    EXPECT_TRUE(testing_wave_recordings().empty());

    // The next sound tries the device again.
    testing_wave_fail_open(MMSYSERR_NOERROR);
    handle.music.play(nullptr);
    ASSERT_TRUE(play_out_on_demand());
    ASSERT_EQ(testing_wave_recordings().size(), 1u);
    EXPECT_TRUE(joined(testing_wave_recordings()[0]) == mp3_reference(mp3));
}

TEST_F(AudioStress, PlayStopLoops) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("loop", Tone{0.5, 44100, 2, "sine 440 vol 0.5"});
    Handle handle(mp3, Music::mp3);
    std::mt19937 draws(7);
    for (int i = 0; i < 60; ++i) {
        handle.music.play(nullptr);
        if (i % 3 == 0) handle.music.play(nullptr);
        std::this_thread::sleep_for(std::chrono::microseconds(draws() % 4000));
        handle.music.halt();
    }
    ASSERT_TRUE(eventually(audio_idle));
    auto recordings = testing_wave_recordings();
    for (const auto& recording : recordings) EXPECT_NE(recording.closed, 0u);
}

// Every stream the player still holds waits for room in its output.
bool decoding_held_back() {
    MutexLock held(mp3_player.lock);
    for (auto* node = mp3_player.streams.head; node; node = node->next)
        if (!Voice::is_full(node->value->pcm, node->value->channel)) return false;
    return true;
}

TEST_F(AudioStress, StalledDeviceHoldsABoundedQueue) {
    // The device never finishes a buffer: the mixer waits on it for good.
    testing_wave_record(WaveCompletion::on_demand);
    std::string mp3 = make_mp3("one_second", Tone{1.0, 44100, 2, "sine 440 vol 0.5"});
    Handle handle(mp3, Music::mp3);
    const int plays = 60;
    for (int i = 0; i < plays; ++i) handle.music.play(nullptr);
    ASSERT_TRUE(eventually(decoding_held_back));

    MutexLock held(output_registry_lock);
    ASSERT_EQ(output_registry.count, 1);
    AudioOutput* out = output_registry.head->value;
    int32_t limit = out->device->samples_per_buffer * output_limit_buffers;
    // A minute was played; about a second of it (what one decode gives) may
    // be queued beyond the limit.
    EXPECT_GT(plays * 88200, 2 * limit);
    EXPECT_LE(out->queued, limit + 88200);
}

TEST_F(AudioStress, ShortSoundsStraddlingRetirementLoseNothing) {
    testing_wave_record(WaveCompletion::immediate);
    std::string mp3 = make_mp3("blip", Tone{0.05, 44100, 2, "sine 440 vol 0.02 dcshift 0.01"}, 64);
    Handle handle(mp3, Music::mp3);
    std::mt19937 draws(11);
    const int plays = 40;
    for (int i = 0; i < plays; ++i) {
        handle.music.play(nullptr);
        std::this_thread::sleep_for(std::chrono::microseconds(draws() % 12000));
    }
    ASSERT_TRUE(eventually(audio_idle));
    auto recordings = testing_wave_recordings();
    int64_t sum = 0;
    for (const auto& recording : recordings) {
        EXPECT_NE(recording.closed, 0u);
        sum += sample_sum(joined(recording));
    }
    int64_t one = sample_sum(mp3_reference(mp3));
    ASSERT_NE(one, 0);
    EXPECT_EQ(sum, plays * one);
    // The device really was closed and reopened between bursts.
    EXPECT_GT(recordings.size(), 1u);
}

}  // namespace
