// What a user's speakers get: a generated MP3 played through the engine
// onto SDL's disk driver, whose file holds exactly the decoded samples
// between the device's silence.
#include "audio/Sound.h"
#include "core/Config.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

TEST(AudioRealRun, DiskDriverFileHoldsTheDecodedSamples) {
    std::string played = scratch_dir() + "/speakers.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
    // The disk "speakers" take a buffer every 70 ms, three times as long as
    // it plays: a mixer thread starved by a busy machine still keeps ahead
    // of them, so the file shows no gap that real playback would not have.
    setenv("SDL_DISKAUDIODELAY", "70", 1);
    std::string mp3 = make_mp3("music", Tone{1.0, 44100, 2, "sine 440 vol 0.5"});
    std::string factory_path = scratch_dir() + "/factory.txt";
    std::ofstream(factory_path) << "[sounds]\nmusic = " << mp3 << "\n";
    Config factory;
    ASSERT_TRUE(factory.load(factory_path.c_str()));
    Sound sound;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(sound.load(factory));
    sound.play_sound("music");
    ASSERT_TRUE(eventually(audio_idle, 30));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    Bytes reference = mp3_reference(mp3);
    ASSERT_EQ(reference.size(), 176400u);
    Bytes file = read_file(played);
    // Whole stereo frames of silence around the sound; none inside it.
    auto silent_frames = [](const Bytes& bytes) {
        size_t frames = 0;
        while ((frames + 1) * 4 <= bytes.size() && !bytes[frames * 4] && !bytes[frames * 4 + 1] &&
               !bytes[frames * 4 + 2] && !bytes[frames * 4 + 3])
            ++frames;
        return frames * 4;
    };
    size_t lead = silent_frames(file);
    size_t reference_lead = silent_frames(reference);
    ASSERT_GE(file.size(), lead + reference.size() - reference_lead);
    EXPECT_TRUE(std::equal(reference.begin() + static_cast<long>(reference_lead), reference.end(),
                           file.begin() + static_cast<long>(lead)));
    size_t end = lead + reference.size() - reference_lead;
    for (size_t i = end; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << "at " << i << " of " << file.size();
}

}  // namespace
