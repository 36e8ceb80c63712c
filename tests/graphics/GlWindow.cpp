#include "tests/graphics/GlWindow.h"

#include "graphics/GlSetup.h"

#include <windows.h>

namespace {

LRESULT CALLBACK test_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

constexpr const char* class_name = "graphics test window";

}  // namespace

std::ostream& operator<<(std::ostream& stream, const Rgba& pixel) {
    return stream << "(" << int(pixel.r) << ", " << int(pixel.g) << ", " << int(pixel.b) << ", "
                  << int(pixel.a) << ")";
}

GlWindow::GlWindow(int width, int height) : client_width(width), client_height(height) {
    // One registration per process serves every window of the test.
    static const ATOM registered = [] {
        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_OWNDC;
        window_class.lpfnWndProc = test_procedure;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = class_name;
        return RegisterClassExA(&window_class);
    }();
    if (registered == 0) return;
    // No frame: the outer size is the client size.
    window = CreateWindowExA(0, class_name, "graphics test", WS_POPUP | WS_VISIBLE, 0, 0, width,
                             height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) return;
    RECT client{};
    if (!GetClientRect(window, &client) || client.right != width || client.bottom != height) return;
    dc = GetDC(window);
    if (!set_pixel_format(dc)) return;
    context = wglCreateContext(dc);
    if (context == nullptr || !wglMakeCurrent(dc, context)) return;
    set_fixed_gl_state();
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) return;
    // Coverage read-backs are one byte per pixel, rows without padding.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ok = true;
}

GlWindow::~GlWindow() {
    if (context != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    if (dc != nullptr) ReleaseDC(window, dc);
    if (window != nullptr) DestroyWindow(window);
}

void GlWindow::clear(float r, float g, float b) {
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

Image GlWindow::image() const {
    Image image{client_width, client_height,
                std::vector<Rgba>(static_cast<size_t>(client_width) * client_height)};
    std::vector<Rgba> rows(image.pixels.size());
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, client_width, client_height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // GL counts rows from the bottom.
    for (int y = 0; y < client_height; ++y)
        for (int x = 0; x < client_width; ++x)
            image.pixels[static_cast<size_t>(y) * client_width + x] =
                rows[static_cast<size_t>(client_height - 1 - y) * client_width + x];
    return image;
}

Image texture_image(GLuint texture) {
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Image image{width, height, std::vector<Rgba>(static_cast<size_t>(width) * height)};
    if (!image.pixels.empty())
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    return image;
}

GLuint bound_texture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

GlTarget::GlTarget(int width, int height) : size{width, height} {
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffersEXT(1, &framebuffer_);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture_,
                              0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

GlTarget::~GlTarget() {
    glDeleteFramebuffersEXT(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
}

void GlTarget::begin_pass(const Vec2i& span, const Vec2f& offset, const Vec2f& scale) const {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glBlendFuncSeparateEXT(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, size.x, size.y);
    glOrtho(0, span.x, span.y, 0, -1, 1);
    glTranslatef(offset.x, offset.y, 1);
    glScalef(scale.x, scale.y, 1);
    glMatrixMode(GL_MODELVIEW);
}
