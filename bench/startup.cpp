// Launch to first presented frame of the built program, started from its
// run folder as scripts/play starts it (run under Xvfb). Each iteration
// starts a new process with the probe preloaded, waits for the probe's note
// of the first swap, then ends the process.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

int64_t monotonic_nanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void launch_to_first_frame(benchmark::State& state) {
    const std::string program = QUILLFEN_PROGRAM;
    const std::string folder = program.substr(0, program.rfind('/'));
    for (auto _ : state) {
        int pipe_ends[2];
        if (pipe(pipe_ends) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const int64_t launched = monotonic_nanoseconds();
        const pid_t child = fork();
        if (child == 0) {
            close(pipe_ends[0]);
            if (chdir(folder.c_str()) != 0) _exit(127);
            setenv("LD_PRELOAD", QUILLFEN_STARTUP_PROBE, 1);
            setenv("QUILLFEN_STARTUP_FD", std::to_string(pipe_ends[1]).c_str(), 1);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipe_ends[1]);
        int64_t presented = 0;
        const bool noted = read(pipe_ends[0], &presented, sizeof presented) == sizeof presented;
        close(pipe_ends[0]);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (!noted) {
            state.SkipWithError("the program presented no frame (is DISPLAY set?)");
            return;
        }
        state.SetIterationTime(static_cast<double>(presented - launched) * 1e-9);
    }
}

}  // namespace

BENCHMARK(launch_to_first_frame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
