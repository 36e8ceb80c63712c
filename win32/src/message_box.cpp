// The message box on Xlib. Drawn by the layer rather than by SDL: SDL's X11
// box runs in a forked child process, which outlives the program when it is
// killed while the box is up, and it never takes the keyboard focus, so
// Return and Escape went to the program's own window.
#include "message_box.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int margin = 16;
constexpr int button_width = 72;
constexpr int button_height = 26;
constexpr int narrowest = 200;
// The button's focus mark, inside its border.
constexpr int focus_inset = 2;

// X errors of the box's own connection (a focus request racing the window
// manager, a box destroyed from outside) are the box's business; the rest
// go to the handler that was there before.
std::atomic<Display*> box_display{nullptr};
XErrorHandler previous_handler = nullptr;

int on_error(Display* display, XErrorEvent* error) {
    if (display == box_display.load()) return 0;
    return previous_handler != nullptr ? previous_handler(display, error) : 0;
}

std::vector<std::string> lines_of(const char* text) {
    std::vector<std::string> lines;
    std::string line;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += *at;
        }
    }
    lines.push_back(line);
    return lines;
}

struct Box {
    Display* display;
    ::Window window;
    GC gc;
    XFontStruct* font;
    std::vector<std::string> lines;
    int width;
    int height;
    XRectangle button;

    int line_height() const { return font->ascent + font->descent; }

    // Of the line's first 8192 bytes at most: wider than any screen already,
    // and the width stays far inside an int.
    int text_width(const std::string& line) const {
        return XTextWidth(font, line.c_str(),
                          static_cast<int>(std::min<size_t>(line.size(), 8192)));
    }

    bool on_button(int x, int y) const {
        return x >= button.x && x < button.x + button.width && y >= button.y &&
               y < button.y + button.height;
    }

    void draw() const {
        XClearWindow(display, window);
        int baseline = margin + font->ascent;
        for (const std::string& line : lines) {
            XDrawString(display, window, gc, margin, baseline, line.c_str(),
                        static_cast<int>(line.size()));
            baseline += line_height();
        }
        XDrawRectangle(display, window, gc, button.x, button.y, button.width - 1,
                       button.height - 1);
        // The focus mark of the one button, which Return and Space press.
        XDrawRectangle(display, window, gc, button.x + focus_inset, button.y + focus_inset,
                       button.width - 1 - 2 * focus_inset, button.height - 1 - 2 * focus_inset);
        const std::string ok = "OK";
        XDrawString(display, window, gc, button.x + (button.width - text_width(ok)) / 2,
                    button.y + (button.height + font->ascent - font->descent) / 2, ok.c_str(),
                    static_cast<int>(ok.size()));
        XFlush(display);
    }
};

void set_atom_property(Display* display, ::Window window, const char* name, Atom type,
                       const unsigned char* data, int format, int count) {
    XChangeProperty(display, window, XInternAtom(display, name, False), type, format,
                    PropModeReplace, data, count);
}

void describe(Box& box, const char* caption) {
    Display* display = box.display;
    XStoreName(display, box.window, caption);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    set_atom_property(display, box.window, "_NET_WM_NAME", utf8,
                      reinterpret_cast<const unsigned char*>(caption), 8,
                      static_cast<int>(std::strlen(caption)));
    const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
    set_atom_property(display, box.window, "_NET_WM_WINDOW_TYPE", XA_ATOM,
                      reinterpret_cast<const unsigned char*>(&dialog), 32, 1);
    const long pid = static_cast<long>(getpid());
    set_atom_property(display, box.window, "_NET_WM_PID", XA_CARDINAL,
                      reinterpret_cast<const unsigned char*>(&pid), 32, 1);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, box.window, &delete_window, 1);

    XSizeHints* size = XAllocSizeHints();
    size->flags = PPosition | PMinSize | PMaxSize;
    size->min_width = size->max_width = box.width;
    size->min_height = size->max_height = box.height;
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XClassHint* class_hint = XAllocClassHint();
    std::string name = "message box";
    std::string class_name = "MessageBox";
    class_hint->res_name = name.data();
    class_hint->res_class = class_name.data();
    XSetWMProperties(display, box.window, nullptr, nullptr, nullptr, 0, size, hints, class_hint);
    XFree(size);
    XFree(hints);
    XFree(class_hint);
}

// Until the box is answered; false when it was destroyed from outside.
bool wait_for_answer(Box& box) {
    Display* display = box.display;
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    KeySym pressed_key = NoSymbol;
    bool button_pressed = false;
    bool focused = false;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) box.draw();
                // Viewable now: the keyboard comes here, wherever the
                // pointer rests.
                if (!focused) {
                    XSetInputFocus(display, box.window, RevertToPointerRoot, CurrentTime);
                    focused = true;
                }
                break;
            case KeyPress:
                pressed_key = XLookupKeysym(&event.xkey, 0);
                break;
            case KeyRelease: {
                // Only a key pressed while the box had the focus answers it.
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key != pressed_key) break;
                if (key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape)
                    return true;
                break;
            }
            case ButtonPress:
                if (event.xbutton.button == Button1)
                    button_pressed = box.on_button(event.xbutton.x, event.xbutton.y);
                break;
            case ButtonRelease:
                if (event.xbutton.button == Button1 && button_pressed &&
                    box.on_button(event.xbutton.x, event.xbutton.y))
                    return true;
                button_pressed = false;
                break;
            case ClientMessage:
                if (event.xclient.message_type == protocols &&
                    static_cast<Atom>(event.xclient.data.l[0]) == delete_window)
                    return true;
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == box.window) return false;
                break;
            default:
                break;
        }
    }
}

}  // namespace

bool show_message_box(const char* caption, const char* text) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;

    Box box{};
    box.display = display;
    box.lines = lines_of(text);
    // "fixed" is the one font every X server has.
    box.font = XLoadQueryFont(display, "fixed");
    if (box.font == nullptr) {
        XCloseDisplay(display);
        return false;
    }
    box_display.store(display);
    previous_handler = XSetErrorHandler(on_error);
    const int screen = XDefaultScreen(display);
    int widest = button_width;
    for (const std::string& line : box.lines) widest = std::max(widest, box.text_width(line));
    // No larger than the screen: X carries sizes in 16 bits, and a window it
    // refuses would leave the caller waiting for an answer for ever. (The
    // text is on standard error in full.)
    const int64_t text_height = static_cast<int64_t>(box.lines.size()) * box.line_height();
    box.width = static_cast<int>(std::min<int64_t>(std::max(narrowest, widest + 2 * margin),
                                                   XDisplayWidth(display, screen)));
    box.height = static_cast<int>(std::min<int64_t>(
        margin + text_height + margin + button_height + margin, XDisplayHeight(display, screen)));
    box.button = {static_cast<short>((box.width - button_width) / 2),
                  static_cast<short>(box.height - margin - button_height),
                  static_cast<unsigned short>(button_width),
                  static_cast<unsigned short>(button_height)};

    const int x = std::max(0, (XDisplayWidth(display, screen) - box.width) / 2);
    const int y = std::max(0, (XDisplayHeight(display, screen) - box.height) / 2);
    box.window =
        XCreateSimpleWindow(display, XRootWindow(display, screen), x, y,
                            static_cast<unsigned>(box.width), static_cast<unsigned>(box.height), 1,
                            XBlackPixel(display, screen), XWhitePixel(display, screen));
    describe(box, caption);
    XSelectInput(display, box.window,
                 ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                     ButtonReleaseMask | StructureNotifyMask);
    XGCValues values{};
    values.foreground = XBlackPixel(display, screen);
    values.background = XWhitePixel(display, screen);
    values.font = box.font->fid;
    box.gc = XCreateGC(display, box.window, GCForeground | GCBackground | GCFont, &values);
    XMapRaised(display, box.window);

    const bool still_there = wait_for_answer(box);

    XFreeGC(display, box.gc);
    if (still_there) XDestroyWindow(display, box.window);
    XFreeFont(display, box.font);
    XSync(display, False);
    XSetErrorHandler(previous_handler);
    box_display.store(nullptr);
    XCloseDisplay(display);
    return true;
}
