// Device contexts, pixel formats and the WGL context calls.
#pragma once

#include "win32/types.h"

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits;
    BYTE cRedShift;
    BYTE cGreenBits;
    BYTE cGreenShift;
    BYTE cBlueBits;
    BYTE cBlueShift;
    BYTE cAlphaBits;
    BYTE cAlphaShift;
    BYTE cAccumBits;
    BYTE cAccumRedBits;
    BYTE cAccumGreenBits;
    BYTE cAccumBlueBits;
    BYTE cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
};
using LPPIXELFORMATDESCRIPTOR = PIXELFORMATDESCRIPTOR*;
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the platform's descriptor is 40 bytes");

#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_GENERIC_ACCELERATED 0x00001000

// A device context of a window; null when the window handle is null or dead.
HDC GetDC(HWND window);
// 1 when the context was the window's and is now released, else 0.
int ReleaseDC(HWND window, HDC dc);

// 1-based index of the format that best matches the descriptor, 0 on failure.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* descriptor);
// A window's pixel format is set once; setting the same format again succeeds.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL SwapBuffers(HDC dc);

HGLRC wglCreateContext(HDC dc);
// Binds the context to the calling thread; (null, null) releases the
// thread's current context.
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);
