// A program that returns from main while a sound plays: the static
// destructors end the decode thread, stop the outputs and let their mixer
// threads end (waiting about a second at most) before the registry goes, and
// the process exits with 0.
#include "audio/Mixer.h"
#include "audio/Music.h"
#include "core/MemoryFile.h"
#include "fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

// Built before the audio globals (this file is linked ahead of the audio
// library), so destroyed after them: it sees what their destructors left.
struct ExitReport {
    ~ExitReport() {
        if (!armed) return;
        std::printf("mixer threads at exit: %d\n", static_cast<int>(mixer_threads));
        std::fflush(stdout);
    }
    bool armed = false;
} exit_report;

int play_and_return(const std::string& completion, const char* path) {
    testing_wave_record(completion == "paced" ? WaveCompletion::paced : WaveCompletion::on_demand);
    static MemoryFile file(path);
    static Music music;
    music.set(&file, Music::mp3);
    music.play(nullptr);
    bool playing = eventually([] {
        auto recordings = testing_wave_recordings();
        return !recordings.empty() && recordings[0].buffers.size() >= 3;
    });
    exit_report.armed = true;
    return playing && mixer_threads == 1 ? 0 : 3;
}

struct ChildRun {
    int status = -1;
    std::string output;
    double seconds = 0;
};

ChildRun run_child(const std::string& completion, const std::string& mp3) {
    ChildRun run;
    auto start = std::chrono::steady_clock::now();
    std::string command = std::filesystem::read_symlink("/proc/self/exe").string() +
                          " --play-and-return " + completion + " " + mp3;
    FILE* child = popen(command.c_str(), "r");
    char buffer[256];
    while (child && std::fgets(buffer, sizeof(buffer), child)) run.output += buffer;
    int status = child ? pclose(child) : -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

TEST(AudioExit, ReturningFromMainMidSoundEndsEveryThread) {
    std::string mp3 = make_mp3("long", Tone{5.0, 44100, 2, "sine 440 vol 0.5"});
    ChildRun run = run_child("paced", mp3);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "mixer threads at exit: 0\n");
    // The sound had 5 s to go.
    EXPECT_LT(run.seconds, 4.0);
}

TEST(AudioExit, ADeviceThatNeverFinishesHoldsTheExitAboutASecond) {
    std::string mp3 = make_mp3("long", Tone{5.0, 44100, 2, "sine 440 vol 0.5"});
    ChildRun run = run_child("on_demand", mp3);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "mixer threads at exit: 1\n");
    EXPECT_GE(run.seconds, 1.0);
    EXPECT_LT(run.seconds, 6.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--play-and-return")
        return play_and_return(argv[2], argv[3]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
