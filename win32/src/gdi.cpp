// Device contexts and WGL on SDL's OpenGL contexts.
//
// A device context is a small record naming its window. The one pixel format
// offered is what the window's SDL visual gives: RGBA, double-buffered, drawn
// to the window, OpenGL. A context is an SDL OpenGL context of the
// compatibility kind (immediate mode needs it), current on at most one thread
// at a time, as the platform requires.
#include <windows.h>

#include <SDL.h>

#include <map>
#include <mutex>
#include <memory>
#include <thread>

#include "layer.h"
#include "seams.h"

struct HDC__ {
    HWND window;
};

struct HGLRC__ {
    SDL_GLContext gl;
    std::thread::id current_on;  // default id: current on no thread
};

namespace {

constexpr int only_format = 1;

std::mutex gdi_lock;
// The live device contexts and GL contexts, owned here; the engine holds
// their handles.
std::map<HDC, std::unique_ptr<HDC__>> live_dcs;
std::map<HGLRC, std::unique_ptr<HGLRC__>> live_contexts;
std::map<HWND, int> window_formats;

thread_local HGLRC thread_context = nullptr;

bool live_dc(HDC dc) { return dc != nullptr && live_dcs.count(dc) != 0; }

int format_of(HWND window) {
    auto it = window_formats.find(window);
    return it == window_formats.end() ? 0 : it->second;
}

// With gdi_lock held: unbinds the calling thread's context.
void release_thread_context() {
    if (thread_context == nullptr) return;
    SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
    thread_context->current_on = std::thread::id();
    thread_context = nullptr;
}

}  // namespace

HDC GetDC(HWND window) {
    if (layer_sdl_window(window) == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(gdi_lock);
    auto made = std::make_unique<HDC__>(HDC__{window});
    HDC dc = made.get();
    live_dcs.emplace(dc, std::move(made));
    return dc;
}

int ReleaseDC(HWND window, HDC dc) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (!live_dc(dc) || dc->window != window) return 0;
    live_dcs.erase(dc);
    return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (!live_dc(dc) || descriptor == nullptr || layer_fails(LayerFailure::pixel_format)) return 0;
    return only_format;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (!live_dc(dc) || descriptor == nullptr || format != only_format ||
        layer_sdl_window(dc->window) == nullptr || layer_fails(LayerFailure::pixel_format))
        return FALSE;
    int held = format_of(dc->window);
    if (held != 0) return held == format ? TRUE : FALSE;
    window_formats[dc->window] = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (!live_dc(dc) || format_of(dc->window) == 0) return nullptr;
    SDL_Window* window = layer_sdl_window(dc->window);
    if (window == nullptr) return nullptr;
    // Below version 3, without profile or flags, SDL makes the context on the
    // window's own visual: the driver's compatibility context, which keeps
    // immediate mode.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // SDL makes a new context current; the platform leaves the thread's
    // binding as it was.
    SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext gl = SDL_GL_CreateContext(window);
    SDL_GL_MakeCurrent(previous_window, previous);
    if (gl == nullptr) return nullptr;
    auto made = std::make_unique<HGLRC__>(HGLRC__{gl, std::thread::id()});
    HGLRC context = made.get();
    live_contexts.emplace(context, std::move(made));
    return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (context == nullptr) {
        release_thread_context();
        return TRUE;
    }
    if (!live_dc(dc) || live_contexts.count(context) == 0 || format_of(dc->window) != only_format)
        return FALSE;
    SDL_Window* window = layer_sdl_window(dc->window);
    if (window == nullptr) return FALSE;
    // A context bound on another thread stays there (the platform refuses;
    // X would end the process).
    if (context->current_on != std::thread::id() &&
        context->current_on != std::this_thread::get_id())
        return FALSE;
    if (SDL_GL_MakeCurrent(window, context->gl) != 0) return FALSE;
    if (thread_context != nullptr && thread_context != context)
        thread_context->current_on = std::thread::id();
    context->current_on = std::this_thread::get_id();
    thread_context = context;
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
    std::lock_guard<std::mutex> hold(gdi_lock);
    if (live_contexts.count(context) == 0) return FALSE;
    if (context == thread_context)
        release_thread_context();
    else if (context->current_on != std::thread::id())
        return FALSE;
    SDL_GL_DeleteContext(context->gl);
    live_contexts.erase(context);
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    SDL_Window* window = nullptr;
    {
        std::lock_guard<std::mutex> hold(gdi_lock);
        if (!live_dc(dc) || thread_context == nullptr) return FALSE;
        window = layer_sdl_window(dc->window);
    }
    if (window == nullptr || SDL_GL_GetCurrentWindow() != window) return FALSE;
    SDL_GL_SwapWindow(window);
    return TRUE;
}
