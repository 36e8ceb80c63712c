// Basic Win32 scalar, handle and record types.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPDWORD = DWORD*;

using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HDC__;
using HDC = HDC__*;
struct HGLRC__;
using HGLRC = HGLRC__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HMENU__;
using HMENU = HMENU__*;

#define WINAPI
#define CALLBACK
#define APIENTRY

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

constexpr WORD LOWORD(DWORD_PTR l) { return static_cast<WORD>(l & 0xffff); }
constexpr WORD HIWORD(DWORD_PTR l) { return static_cast<WORD>((l >> 16) & 0xffff); }
constexpr short GET_WHEEL_DELTA_WPARAM(DWORD_PTR wParam) {
    return static_cast<short>(HIWORD(wParam));
}
