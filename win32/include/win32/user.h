// Windows, their message queues, raw mouse input, the cursor, message boxes
// and the screen saver. Implemented on SDL2's video subsystem.
//
// Threads and queues: every thread gets its own message queue the first time
// it calls one of these functions. Windows are created on one thread only,
// the window thread (the first one to create a window or read the display
// settings); SDL video is touched on that thread alone. A window's procedure
// runs only on that thread: inside GetMessageA, PeekMessageA and
// DispatchMessageA, or inside a call made on that thread that sends to it.
// Calls from other threads read the state the window thread keeps
// (rectangles, cursor position, styles) or are handed to the window thread
// as internal messages and waited for.
//
// A thread's pump has ended when it has taken the quit message (GetMessageA
// returned 0, or PeekMessageA removed it), until it calls GetMessageA or
// PeekMessageA again, and when the thread is gone. SendMessageA (and every
// call handed over) to a thread whose pump has ended returns at once with 0
// instead of waiting for a delivery that cannot come; a sent message still
// queued when the pump ends is answered with 0 and dropped.
//
// Geometry: rectangles are in screen pixels. A framed window
// (WS_OVERLAPPEDWINDOW) has a frame of 8 pixels left, right and bottom and
// 31 at the top (border and caption); a window without caption and thick
// frame has none. The window rectangle is the outer one: CreateWindowExA and
// SetWindowPos take the outer size, the client area is that minus the frame,
// and a style change keeps the window rectangle and recomputes the client
// area. A minimised window keeps both rectangles. The rectangles keep what
// was asked; the SDL window gets 1 to 16384 pixels per side. A move or resize
// reported by the display server that the program did not ask for (the user,
// a window manager) changes the client area and sends WM_SIZE.
#pragma once

#include "win32/types.h"

using PUINT = UINT*;
struct HRAWINPUT__;
using HRAWINPUT = HRAWINPUT__*;

using WNDPROC = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // milliseconds since the layer started
    POINT pt;    // the cursor in screen pixels when the message was made
};
using LPMSG = MSG*;

struct DEVMODEA {
    BYTE dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    POINT dmPosition;
    DWORD dmDisplayOrientation;
    DWORD dmDisplayFixedOutput;
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    BYTE dmFormName[32];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
};

struct RAWINPUTDEVICE {
    USHORT usUsagePage;
    USHORT usUsage;
    DWORD dwFlags;
    HWND hwndTarget;
};

struct RAWINPUTHEADER {
    DWORD dwType;
    DWORD dwSize;
    HANDLE hDevice;
    WPARAM wParam;
};

struct RAWMOUSE {
    USHORT usFlags;
    ULONG ulButtons;
    ULONG ulRawButtons;
    LONG lLastX;
    LONG lLastY;
    ULONG ulExtraInformation;
};

struct RAWINPUT {
    RAWINPUTHEADER header;
    union {
        RAWMOUSE mouse;
    } data;
};

inline LPSTR MAKEINTRESOURCEA(WORD i) { return reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(i)); }
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define COLOR_WINDOW 5

// Messages.
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_SETTEXT 0x000C
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_NCACTIVATE 0x0086
#define WM_INPUT 0x00FF
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MOUSEWHEEL 0x020A
#define WM_USER 0x0400

#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define WHEEL_DELTA 120
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// Virtual-key codes of the keys the layer reports (letters and digits are
// their upper-case ASCII codes, 'A'..'Z' and '0'..'9').
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F10 0x79
#define VK_F12 0x7B
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

// Styles.
#define WS_OVERLAPPED 0x00000000
#define WS_POPUP 0x80000000
#define WS_VISIBLE 0x10000000
#define WS_CLIPSIBLINGS 0x04000000
#define WS_CLIPCHILDREN 0x02000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_DLGFRAME 0x00400000
#define WS_SYSMENU 0x00080000
#define WS_THICKFRAME 0x00040000
#define WS_MINIMIZEBOX 0x00020000
#define WS_MAXIMIZEBOX 0x00010000
#define WS_OVERLAPPEDWINDOW 0x00CF0000
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_OWNDC 0x0020
constexpr int CW_USEDEFAULT = INT32_MIN;

#define GWL_STYLE (-16)
#define GWLP_USERDATA (-21)

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_RESTORE 9
#define SW_FORCEMINIMIZE 11

#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080

constexpr DWORD ENUM_CURRENT_SETTINGS = 0xFFFFFFFFu;
#define DM_BITSPERPEL 0x00040000
#define DM_PELSWIDTH 0x00080000
#define DM_PELSHEIGHT 0x00100000
#define DM_DISPLAYFREQUENCY 0x00400000

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define MB_OK 0x00000000
#define MB_ICONEXCLAMATION 0x00000030
#define IDOK 1

#define SPI_SETSCREENSAVEACTIVE 0x0011
#define SPIF_UPDATEINIFILE 0x0001
#define SPIF_SENDCHANGE 0x0002

#define RIM_INPUT 0
#define RIM_INPUTSINK 1
#define RIM_TYPEMOUSE 0
#define RID_INPUT 0x10000003
#define RID_HEADER 0x10000005
#define RIDEV_INPUTSINK 0x00000100
// The device a raw-input registration names: the mouse of the generic
// desktop page.
#define HID_USAGE_PAGE_GENERIC 0x01
#define HID_USAGE_GENERIC_MOUSE 0x02
#define MOUSE_MOVE_RELATIVE 0x00

// Classes and windows.

// 0 when the record is malformed (cbSize, procedure or name missing) or a
// class of that name is already registered for the instance.
ATOM RegisterClassExA(const WNDCLASSEXA* window_class);
// A top-level window of a registered class (parent, menu and the creation
// parameter are not supported and must be null). x or y CW_USEDEFAULT lets
// the system place it. Null when the class is unknown, the call comes from
// another thread than the window thread, or SDL cannot make the window.
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);
// Sends WM_DESTROY, then removes the window; its handle is dead afterwards.
// FALSE from another thread than the window's, for a dead handle and for a
// window already being destroyed (a procedure calling it again on
// WM_DESTROY).
BOOL DestroyWindow(HWND window);
// GWL_STYLE only; the previous value, 0 for a dead handle or another index.
LONG SetWindowLongA(HWND window, int index, LONG value);
LONG GetWindowLongA(HWND window, int index);
// GWLP_USERDATA (a whole pointer) or GWL_STYLE.
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);
// SW_HIDE, SW_SHOWNORMAL, SW_SHOW, SW_MINIMIZE, SW_RESTORE, SW_FORCEMINIMIZE.
// Non-zero when the window was visible before.
BOOL ShowWindow(HWND window, int command);
// No WM_PAINT is ever pending, so this only checks the handle.
BOOL UpdateWindow(HWND window);
// Position and outer size of the window rectangle; the insert-after window is
// ignored (one top-level window). Sends WM_SIZE when the client size changes.
BOOL SetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height, UINT flags);
BOOL GetWindowRect(HWND window, LPRECT rect);
// Always at (0, 0): right and bottom are the client width and height.
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
// Sends WM_SETTEXT, which DefWindowProcA turns into the title.
BOOL SetWindowTextA(HWND window, LPCSTR text);
// The primary display only (device null) and ENUM_CURRENT_SETTINGS only:
// pixel size, bits per pixel and refresh rate.
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD mode, DEVMODEA* dev_mode);

// Messages.

// Waits for the next message of the calling thread's queue (a window filter
// of null and a range of 0, 0 take every message), delivering messages sent
// from other threads while it waits. Order: sent, posted, platform input,
// then the quit message, for which it returns 0 (FALSE); -1 for a dead
// window filter. On the window thread, platform events become messages:
//   keys: WM_KEYDOWN / WM_KEYUP with the virtual-key code (key repeat
//     repeats WM_KEYDOWN); with Alt held, and for Alt and F10 themselves,
//     WM_SYSKEYDOWN / WM_SYSKEYUP; keys without a code are not reported;
//   buttons: WM_LBUTTONDOWN .. WM_MBUTTONUP at the client position;
//   wheel: WM_MOUSEWHEEL, 120 per notch (fine wheels: fractions of it) in
//     the high word of wParam, positive away from the user;
//   motion: WM_INPUT to the raw-input target, wParam RIM_INPUT while the
//     target has the focus and RIM_INPUTSINK otherwise (only when registered
//     with RIDEV_INPUTSINK); GetRawInputData gives a mouse RAWINPUT whose
//     lLastX / lLastY are the relative motion. Only the mouse makes raw
//     input: a window appearing under the pointer and SetCursorPos make
//     none. The cursor position is kept for GetCursorPos;
//   focus: WM_NCACTIVATE, wParam TRUE when gained, FALSE when lost;
//   resize by the user: WM_SIZE; the close button: WM_CLOSE.
// Character messages and WM_MOUSEMOVE are not made.
BOOL GetMessageA(LPMSG message, HWND window, UINT first, UINT last);
// As GetMessageA without waiting: FALSE when nothing is there. With
// PM_REMOVE the message is taken from the queue. The quit message is
// returned (TRUE) like any other.
BOOL PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove);
// Makes no character messages; TRUE for a key message.
BOOL TranslateMessage(const MSG* message);
// Calls the procedure of the message's window (on its own thread only).
LRESULT DispatchMessageA(const MSG* message);
// WM_SETTEXT sets the title, WM_CLOSE destroys the window; 0 otherwise.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// On the window's thread the procedure is called at once; from another
// thread the message is queued for the window's thread and the call waits
// until that thread's pump has delivered it (0 at once when the pump has
// ended, above). 0 for a dead handle.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Queues the message for the window's thread (null: the calling thread's
// queue) and wakes it. FALSE for a dead handle.
BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The calling thread's next GetMessageA, once nothing else is queued,
// returns 0.
void PostQuitMessage(int exit_code);

// Shows a box with one OK button on the window thread (on the calling thread
// while there is none; the owner is ignored) and writes caption + ": " + text
// to standard error, so a run without a screen shows it too. The box takes
// the keyboard focus; OK, Return, Enter, Space, Escape and the box's close
// button answer it: IDOK. It is part of this process and goes with it. When
// the window thread's pump has ended, or no display can be reached, no box
// can be shown: 0, and only the line on standard error.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// SPI_SETSCREENSAVEACTIVE only (uiParam TRUE or FALSE); FALSE otherwise.
BOOL SystemParametersInfoA(UINT action, UINT ui_param, PVOID pv_param, UINT win_ini);
// The system's arrow cursor and application icon (instance null); null for
// anything else.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
// The program's own module (name null); null for any other name.
HMODULE GetModuleHandleA(LPCSTR module_name);

// Raw input: the mouse (usage page 1, usage 2) only, flags 0 or
// RIDEV_INPUTSINK (which needs a target window). One registration per
// process; a new one replaces it.
BOOL RegisterRawInputDevices(const RAWINPUTDEVICE* devices, UINT count, UINT size);
// RID_INPUT: the whole RAWINPUT; RID_HEADER: its header. With data null,
// *size receives the size needed and the result is 0. Otherwise the bytes
// written, or (UINT)-1 when the handle is unknown (records of the last 256
// motions are kept), the header size is not sizeof(RAWINPUTHEADER) or
// *size is too small; nothing is ever written past *size bytes.
UINT GetRawInputData(HRAWINPUT raw_input, UINT command, LPVOID data, PUINT size, UINT header_size);

// The cursor.
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
// The display counter: the cursor is shown while it is 0 or more. Returns the
// new count.
int ShowCursor(BOOL show);
// Confines the cursor to a rectangle (screen pixels), or releases it (null).
// Only the part of the rectangle inside a window can hold it.
BOOL ClipCursor(const RECT* rect);
