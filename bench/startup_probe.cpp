// Preloaded into the program by bench_startup: the first buffer swap of the
// program's window writes the monotonic clock, in nanoseconds, to the file
// descriptor named by QUILLFEN_STARTUP_FD, then every swap goes on to SDL.
#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

struct SDL_Window;

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    real(window);
    static std::atomic<bool> first{true};
    if (!first.exchange(false)) return;
    const char* fd = std::getenv("QUILLFEN_STARTUP_FD");
    if (!fd) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t nanoseconds = int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
    if (write(std::atoi(fd), &nanoseconds, sizeof nanoseconds) != sizeof nanoseconds) return;
}
