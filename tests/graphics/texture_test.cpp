// Texture uploads and GL name ownership, and Sprites taking their size from
// loaded textures.
#include "graphics/Sprite.h"
#include "graphics/Texture.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window.ready()); }

    static std::vector<uint8_t> pixels(int w, int h) {
        std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        return bytes;
    }

    static GLint parameter(GLuint name, GLenum which) {
        glBindTexture(GL_TEXTURE_2D, name);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
        glBindTexture(GL_TEXTURE_2D, 0);
        return value;
    }

    GlWindow window{16, 16};
};

TEST_F(TextureTest, UploadsTheImageTopRowFirst) {
    Texture texture;
    const std::vector<uint8_t> bytes = pixels(3, 2);
    ASSERT_EQ(texture.load(bytes, Vec2i{3, 2}, false), Texture::loaded);
    EXPECT_NE(texture.get_name(), 0u);
    EXPECT_EQ(texture.get_size().x, 3);
    EXPECT_EQ(texture.get_size().y, 2);
    const Image stored = texture_image(texture.get_name());
    ASSERT_EQ(stored.width, 3);
    ASSERT_EQ(stored.height, 2);
    EXPECT_EQ(
        std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(stored.pixels.data()),
                             reinterpret_cast<const uint8_t*>(stored.pixels.data()) + bytes.size()),
        bytes);
    EXPECT_EQ(parameter(texture.get_name(), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(texture.get_name(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(texture.get_name(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(texture.get_name(), GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(bound_texture(), 0u);

    Texture smooth;
    ASSERT_EQ(smooth.load(bytes, Vec2i{3, 2}, true), 0);
    EXPECT_EQ(parameter(smooth.get_name(), GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(smooth.get_name(), GL_TEXTURE_MIN_FILTER), GL_LINEAR);
}

TEST_F(TextureTest, RefusedUploadsChangeNothing) {
    Texture texture;
    ASSERT_EQ(texture.load(pixels(2, 2), Vec2i{2, 2}, false), 0);
    const uint32_t name = texture.get_name();
    const struct {
        std::vector<uint8_t> bytes;
        Vec2i size;
    } refused[] = {
        {{}, {2, 2}},             // no pixels
        {pixels(4, 4), {0, 4}},   // no width
        {pixels(4, 4), {4, -1}},  // negative height
        {pixels(3, 3), {4, 4}},   // fewer bytes than the size needs
        {pixels(1, 1), {65536, 65536}},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(texture.load(c.bytes, c.size, false), Texture::refused)
            << c.size.x << " x " << c.size.y;
        EXPECT_EQ(texture.get_name(), name);
        EXPECT_EQ(texture.get_size().x, 2);
        EXPECT_EQ(texture.get_size().y, 2);
        EXPECT_TRUE(glIsTexture(name));
    }
}

TEST_F(TextureTest, SizesTheGlCannotHoldAreRefused) {
    // Beyond the largest side the GL takes, an upload would leave a texture
    // without an image, drawn as a white box.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    for (const Vec2i size : {Vec2i{largest + 1, 1}, Vec2i{1, largest + 1}}) {
        Texture texture;
        EXPECT_EQ(texture.load(pixels(size.x, size.y), size, false), Texture::refused)
            << size.x << " x " << size.y;
        EXPECT_EQ(texture.get_name(), 0u);
        EXPECT_FALSE(Texture::gl_can_hold(size, GL_RGBA));
        EXPECT_FALSE(Texture::gl_can_hold(size, GL_ALPHA));
    }
    // The largest side itself loads.
    Texture strip;
    ASSERT_EQ(strip.load(pixels(largest, 1), Vec2i{largest, 1}, false), Texture::loaded);
    EXPECT_EQ(texture_image(strip.get_name()).width, largest);
    EXPECT_TRUE(Texture::gl_can_hold(Vec2i{largest, 1}, GL_ALPHA));
    EXPECT_FALSE(Texture::gl_can_hold(Vec2i{0, 1}, GL_RGBA));
}

TEST_F(TextureTest, EachGlTextureIsDeletedExactlyOnce) {
    auto texture = std::make_unique<Texture>();
    ASSERT_EQ(texture->load(pixels(2, 2), Vec2i{2, 2}, false), 0);
    const GLuint first = texture->get_name();
    ASSERT_EQ(texture->load(pixels(4, 1), Vec2i{4, 1}, false), 0);
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = texture->get_name();
    EXPECT_TRUE(glIsTexture(second));

    // After release the name is still told but no longer ours: an object
    // made again under that name by someone else survives the destructor.
    texture->release();
    EXPECT_EQ(texture->get_name(), second);
    EXPECT_FALSE(glIsTexture(second));
    glBindTexture(GL_TEXTURE_2D, second);
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_TRUE(glIsTexture(second));
    texture.reset();
    EXPECT_TRUE(glIsTexture(second));
    glDeleteTextures(1, &second);

    // A name handed over is owned and deleted with the Texture.
    GLuint handed = 0;
    glGenTextures(1, &handed);
    glBindTexture(GL_TEXTURE_2D, handed);
    glBindTexture(GL_TEXTURE_2D, 0);
    auto holder = std::make_unique<Texture>();
    holder->set_name(handed);
    EXPECT_EQ(holder->get_name(), handed);
    holder.reset();
    EXPECT_FALSE(glIsTexture(handed));

    // A released name made anew and handed back to the same Texture is owned
    // again, not taken for the one already deleted.
    auto reused = std::make_unique<Texture>();
    ASSERT_EQ(reused->load(pixels(2, 2), Vec2i{2, 2}, false), 0);
    const GLuint again = reused->get_name();
    reused->release();
    glBindTexture(GL_TEXTURE_2D, again);
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_TRUE(glIsTexture(again));
    reused->set_name(again);
    reused.reset();
    EXPECT_FALSE(glIsTexture(again));
}

TEST_F(TextureTest, SpritesTakeTheSizeOfLoadedTextures) {
    Texture wide;
    ASSERT_EQ(wide.load(pixels(64, 32), Vec2i{64, 32}, false), 0);
    Texture unnamed;
    unnamed.set_size(Vec2i{16, 16});

    Sprite sprite;
    sprite.set_size(Vec2f{5, 6});
    sprite.set_texture(&unnamed);
    EXPECT_EQ(sprite.texture(), &unnamed);
    EXPECT_FLOAT_EQ(sprite.size().x, 5);
    EXPECT_FLOAT_EQ(sprite.size().y, 6);

    sprite.set_texture(&wide);
    EXPECT_FLOAT_EQ(sprite.size().x, 64);
    EXPECT_FLOAT_EQ(sprite.size().y, 32);
    sprite.set_size(Vec2f{10, 10});
    sprite.set_texture(nullptr);
    EXPECT_FLOAT_EQ(sprite.size().x, 10);
    sprite.set_texture(&wide);
    EXPECT_FLOAT_EQ(sprite.size().x, 64);

    Texture strip;
    ASSERT_EQ(strip.load(pixels(128, 32), Vec2i{128, 32}, false), 0);
    sprite.set_texture(&strip);
    sprite.set_texture_rect(Vec2f{32, 0}, Vec2f{32, 32});
    const Vec4f rect = sprite.texture_rect();
    EXPECT_FLOAT_EQ(rect.x1, 0.25f);
    EXPECT_FLOAT_EQ(rect.y1, 0);
    EXPECT_FLOAT_EQ(rect.x2, 0.25f);
    EXPECT_FLOAT_EQ(rect.y2, 1);
    EXPECT_FLOAT_EQ(sprite.size().x, 128);
    EXPECT_FLOAT_EQ(sprite.size().y, 32);
}

}  // namespace
