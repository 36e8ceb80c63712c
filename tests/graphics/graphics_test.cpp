// The named store loading from a factory file and fixtures the test makes:
// PNGs written with LodePNG, broken and patched PNGs, FIFOs, missing paths,
// a DejaVu face.
#include "graphics/Graphics.h"
#include "tests/core/AllocationLimit.h"
#include "tests/graphics/GlWindow.h"

#include <gtest/gtest.h>
#include <lodepng.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string sans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Runs load and tells whether it opened the FIFO. Opening a FIFO for reading
// blocks until a writer comes, so a watcher plays the writer: its open
// succeeds only while a reader waits, which both shows the open and lets
// the loader go on instead of hanging.
template <typename Load>
bool opens_fifo(const std::string& fifo, Load load) {
    std::atomic<bool> done{false};
    std::atomic<bool> opened{false};
    std::thread writer([&] {
        while (!done.load()) {
            const int end = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (end >= 0) {
                opened = true;
                close(end);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    load();
    done = true;
    writer.join();
    return opened.load();
}

// Standard output captured for a scope, and given back even when the scope
// is left by an exception, so that the test's own report stays visible.
class StdoutCapture {
public:
    StdoutCapture() { testing::internal::CaptureStdout(); }
    ~StdoutCapture() {
        if (!taken) testing::internal::GetCapturedStdout();
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string take() {
        taken = true;
        return testing::internal::GetCapturedStdout();
    }

private:
    bool taken = false;
};

// A PNG's bytes with the size in its IHDR replaced and the chunk's CRC made
// anew, so that only the claim is wrong.
std::vector<unsigned char> with_claimed_size(std::vector<unsigned char> png, uint32_t width,
                                             uint32_t height) {
    // Signature (8), then IHDR: length (4), type (4), width (4), height (4).
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<unsigned char>(height >> (24 - 8 * i));
    }
    lodepng_chunk_generate_crc(png.data() + 8);
    return png;
}

// A zlib stream that inflates to 1 + 258 x runs zero bytes in a few bits a
// run: a literal 0, then runs of "258 bytes from 1 back" in fixed Huffman
// codes.
std::vector<unsigned char> zlib_of_zeros(size_t runs) {
    std::vector<unsigned char> out{0x78, 0x01};
    uint32_t pending = 0;
    int pending_bits = 0;
    auto put = [&](uint32_t value, int count) {  // least significant bit first
        pending |= value << pending_bits;
        pending_bits += count;
        for (; pending_bits >= 8; pending_bits -= 8, pending >>= 8)
            out.push_back(static_cast<unsigned char>(pending));
    };
    auto code = [&](uint32_t value, int count) {  // Huffman codes go most significant first
        for (int i = count - 1; i >= 0; --i) put((value >> i) & 1, 1);
    };
    put(1, 1);      // the final block,
    put(1, 2);      // of fixed codes
    code(0x30, 8);  // literal 0
    for (size_t i = 0; i < runs; ++i) {
        code(0xc5, 8);  // length 258
        code(0, 5);     // distance 1
    }
    code(0, 7);  // end of block
    if (pending_bits > 0) put(0, 8 - pending_bits);
    const uint64_t size = 1 + 258 * static_cast<uint64_t>(runs);
    const uint32_t adler = static_cast<uint32_t>((size % 65521) << 16 | 1);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(adler >> shift));
    return out;
}

// A PNG's bytes with its image data replaced by data, in one IDAT chunk with
// a valid CRC where the first IDAT was.
std::vector<unsigned char> with_image_data(const std::vector<unsigned char>& png,
                                           const std::vector<unsigned char>& data) {
    std::vector<unsigned char> out(png.begin(), png.begin() + 8);
    bool replaced = false;
    for (size_t at = 8; at + 12 <= png.size(); at += lodepng_chunk_length(&png[at]) + 12) {
        const unsigned char* chunk = &png[at];
        if (!lodepng_chunk_type_equals(chunk, "IDAT")) {
            out.insert(out.end(), chunk, chunk + lodepng_chunk_length(chunk) + 12);
        } else if (!replaced) {
            const size_t start = out.size();
            for (int shift = 24; shift >= 0; shift -= 8)
                out.push_back(static_cast<unsigned char>(data.size() >> shift));
            out.insert(out.end(), {'I', 'D', 'A', 'T'});
            out.insert(out.end(), data.begin(), data.end());
            out.resize(out.size() + 4);
            lodepng_chunk_generate_crc(&out[start]);
            replaced = true;
        }
    }
    return out;
}

// The process's peak resident memory so far, in bytes.
size_t peak_memory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.ready());
        char pattern[] = "/tmp/graphics-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        write_png("red.png", 2, 3, {255, 0, 0, 255});
        write_png("wide.png", 4, 1, {0, 0, 255, 128});
        std::ofstream(dir / "broken.png", std::ios::binary) << "\x89PNG\r\n\x1a\n not really";
    }

    void TearDown() override { std::filesystem::remove_all(dir); }

    void write_png(const std::string& name, unsigned int w, unsigned int h,
                   std::vector<unsigned char> texel) {
        std::vector<unsigned char> pixels;
        for (unsigned int i = 0; i < w * h; ++i)
            pixels.insert(pixels.end(), texel.begin(), texel.end());
        ASSERT_EQ(lodepng::encode((dir / name).string(), pixels, w, h), 0u);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string write_bytes(const std::string& name, const std::vector<unsigned char>& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

    // A uniform w x h RGBA image encoded in memory.
    static std::vector<unsigned char> encoded(unsigned int w, unsigned int h) {
        std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4, 200);
        std::vector<unsigned char> png;
        EXPECT_EQ(lodepng::encode(png, pixels, w, h), 0u);
        return png;
    }

    // import_png's result and what it printed.
    std::pair<bool, std::string> import(const std::string& file, const char* name) {
        testing::internal::CaptureStdout();
        const bool imported = graphics.import_png(file.c_str(), name);
        return {imported, testing::internal::GetCapturedStdout()};
    }

    static std::string not_found(const std::string& file) {
        return "[!] Graphics::import_png: \"" + file + "\" could not be found.\n";
    }

    // A factory file of the given text, loaded into a Config.
    Config factory(const std::string& text) {
        std::ofstream(dir / "factory.txt") << text;
        Config config;
        EXPECT_TRUE(config.load(path("factory.txt").c_str()));
        return config;
    }

    GlWindow window{16, 16};
    std::filesystem::path dir;
    Graphics graphics;
};

TEST_F(GraphicsTest, LoadsEveryTextureAndFontByName) {
    const Config config =
        factory("[textures]\nred = " + path("red.png") + "\nwide = " + path("wide.png") +
                "\nalso red = " + path("red.png") + "\n[fonts]\nlucon = " + sans + "\n[sounds]\n");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(graphics.load(config));
    Texture* red = graphics.get_texture("red");
    Texture* also_red = graphics.get_texture("also red");
    Texture* wide = graphics.get_texture("wide");
    Font* font = graphics.get_font("lucon");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    ASSERT_NE(red, nullptr);
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(also_red, nullptr);
    EXPECT_EQ(red->get_size().x, 2);
    EXPECT_EQ(red->get_size().y, 3);
    EXPECT_EQ(wide->get_size().x, 4);
    EXPECT_EQ(wide->get_size().y, 1);
    // Two names of one path are two textures.
    EXPECT_NE(red, also_red);
    EXPECT_NE(red->get_name(), also_red->get_name());
    EXPECT_EQ(texture_image(wide->get_name()).at(3, 0), (Rgba{0, 0, 255, 128}));
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, red->get_name());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);

    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->get_glyph('A'), nullptr);
    // At 20 pixels a capital stands about 15 pixels high.
    EXPECT_EQ(font->get_metrics('A').horiBearingY >> 6, 15);
}

TEST_F(GraphicsTest, FirstFailureInKeyOrderStopsTheLoad) {
    // Key order is byte order: "Missing" comes before "another".
    const Config config =
        factory("[textures]\nanother = " + path("red.png") + "\nMissing = " + path("none.png") +
                "\n[fonts]\nlucon = " + sans + "\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(graphics.load(config));
    EXPECT_EQ(graphics.get_texture("another"), nullptr);
    EXPECT_EQ(graphics.get_font("lucon"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Graphics::import_png: \"" + path("none.png") + "\" could not be found.\n" +
                  "[!] Graphics::get_texture: Could not find \"another\"\n" +
                  "[!] Graphics::get_font: Could not find \"lucon\"\n");
}

TEST_F(GraphicsTest, BrokenPngKeepsWhatLoadedBefore) {
    const Config config =
        factory("[textures]\na = " + path("red.png") + "\nb = " + path("broken.png") +
                "\nc = " + path("wide.png") + "\n[fonts]\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(graphics.load(config));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Graphics::import_png: \"" + path("broken.png") + "\" could not be found.\n");
    EXPECT_NE(graphics.get_texture("a"), nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(graphics.get_texture("c"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Graphics::get_texture: Could not find \"c\"\n");
}

TEST_F(GraphicsTest, MissingSections) {
    struct {
        std::string text;
        bool loads;
        std::string output;
    } cases[] = {
        {"[fonts]\nlucon = " + sans + "\n", false,
         "[!] Graphics::load: Could not find [textures] section\n"},
        {"[textures]\nred = " + path("red.png") + "\n", false,
         "[!] Graphics::load: Could not find [fonts] section\n"},
        {"[textures]\n[fonts]\nlucon = " + sans + "\n", true, ""},
        {"[ textures ]\n[fonts]\n", false,
         "[!] Graphics::load: Could not find [textures] section\n"},
    };
    for (const auto& c : cases) {
        Graphics store;
        const Config config = factory(c.text);
        testing::internal::CaptureStdout();
        EXPECT_EQ(store.load(config), c.loads) << c.text;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.text;
    }
    // Without [textures] no font is looked at; without [fonts] the textures
    // stay loaded.
    Graphics fonts_only;
    testing::internal::CaptureStdout();
    fonts_only.load(factory(cases[0].text));
    EXPECT_EQ(fonts_only.get_font("lucon"), nullptr);
    Graphics textures_only;
    textures_only.load(factory(cases[1].text));
    EXPECT_NE(textures_only.get_texture("red"), nullptr);
    testing::internal::GetCapturedStdout();
}

TEST_F(GraphicsTest, MissingFontFace) {
    const Config config = factory("[textures]\n[fonts]\nlucon = " + path("none.ttf") + "\n");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(graphics.load(config));
    EXPECT_EQ(graphics.get_font("lucon"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error initialising new FreeType face!\n[!] Graphics::import_truetype: \"" +
                  path("none.ttf") +
                  "\" could not be found.\n[!] Graphics::get_font: Could not find \"lucon\"\n");
}

TEST_F(GraphicsTest, NameAlreadyHeldKeepsItsFirstAsset) {
    ASSERT_TRUE(graphics.import_png(path("red.png").c_str(), "ship"));
    ASSERT_TRUE(graphics.import_png(path("wide.png").c_str(), "ship"));
    EXPECT_EQ(graphics.get_texture("ship")->get_size().x, 2);
    ASSERT_TRUE(graphics.import_truetype(sans.c_str(), "lucon", 20));
    Font* first = graphics.get_font("lucon");
    ASSERT_TRUE(graphics.import_truetype(sans.c_str(), "lucon", 40));
    EXPECT_EQ(graphics.get_font("lucon"), first);
    EXPECT_EQ(first->get_metrics('A').horiBearingY >> 6, 15);
    // A texture and a font may share a name.
    ASSERT_TRUE(graphics.import_png(path("red.png").c_str(), "lucon"));
    EXPECT_NE(graphics.get_texture("lucon"), nullptr);
}

TEST_F(GraphicsTest, DestroyingTheStoreDeletesItsTextures) {
    auto store = std::make_unique<Graphics>();
    ASSERT_TRUE(store->import_png(path("red.png").c_str(), "red"));
    ASSERT_TRUE(store->import_truetype(sans.c_str(), "lucon", 20));
    const GLuint red = store->get_texture("red")->get_name();
    const GLuint glyph = store->get_font("lucon")->get_glyph('A')->get_name();
    store.reset();
    EXPECT_FALSE(glIsTexture(red));
    EXPECT_FALSE(glIsTexture(glyph));
}

TEST_F(GraphicsTest, LookupsThatMissTellEachNameOnce) {
    // The game asks for its textures and font on every pass of its loop.
    testing::internal::CaptureStdout();
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(graphics.get_texture("ship"), nullptr);
        EXPECT_EQ(graphics.get_font("lucon"), nullptr);
        EXPECT_EQ(graphics.get_texture("lucon"), nullptr);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Graphics::get_texture: Could not find \"ship\"\n"
              "[!] Graphics::get_font: Could not find \"lucon\"\n"
              "[!] Graphics::get_texture: Could not find \"lucon\"\n");
    // Each store tells its own.
    Graphics other;
    testing::internal::CaptureStdout();
    EXPECT_EQ(other.get_texture("ship"), nullptr);
    EXPECT_EQ(other.get_texture("ship"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Graphics::get_texture: Could not find \"ship\"\n");
}

TEST_F(GraphicsTest, PngsBeyondTheGlAreRefusedFromTheirHeader) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    ASSERT_GT(largest, 0);
    const unsigned int side = static_cast<unsigned int>(largest);
    // A whole, valid image one pixel wider than the GL takes.
    const std::string wide = write_bytes("wide.png", encoded(side + 1, 1));
    // The header of a 1 x 1 image claiming 200000 x 200000 with valid CRCs:
    // decoding it would ask for some 160 GB.
    const std::string claims =
        write_bytes("claims.png", with_claimed_size(encoded(1, 1), 200000, 200000));
    // Tall, and as wide as the GL takes.
    const std::string tall =
        write_bytes("tall.png", with_claimed_size(encoded(1, 1), side, side + 1));
    for (const std::string& file : {wide, claims, tall}) {
        EXPECT_EQ(import(file, "big"), std::make_pair(false, not_found(file)));
        testing::internal::CaptureStdout();
        EXPECT_EQ(graphics.get_texture("big"), nullptr);
        testing::internal::GetCapturedStdout();
    }
    // The largest side itself loads.
    const std::string strip = write_bytes("strip.png", encoded(side, 1));
    EXPECT_EQ(import(strip, "strip"), std::make_pair(true, std::string()));
    ASSERT_NE(graphics.get_texture("strip"), nullptr);
    EXPECT_EQ(graphics.get_texture("strip")->get_size().x, largest);
}

TEST_F(GraphicsTest, ImageDataInflatesNoFurtherThanItsHeaderNeeds) {
    // 3 MiB of file claiming one pixel, whose image data inflates to 512 MiB.
    const std::vector<unsigned char> bomb =
        with_image_data(encoded(1, 1), zlib_of_zeros((size_t{512} << 20) / 258));
    ASSERT_LT(bomb.size(), size_t{4} << 20);
    const std::string file = write_bytes("bomb.png", bomb);
    const size_t before = peak_memory();
    EXPECT_EQ(import(file, "bomb"), std::make_pair(false, not_found(file)));
    EXPECT_LT(peak_memory() - before, size_t{64} << 20);
    // The densest picture there is still inflates whole: 16 bits a channel,
    // interlaced, a size that leaves every pass a ragged edge.
    lodepng::State dense;
    dense.info_png.color.colortype = LCT_RGBA;
    dense.info_png.color.bitdepth = 16;
    dense.encoder.auto_convert = 0;
    dense.info_png.interlace_method = 1;
    std::vector<unsigned char> pixels(37 * 23 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    std::vector<unsigned char> png;
    ASSERT_EQ(lodepng::encode(png, pixels, 37, 23, dense), 0u);
    EXPECT_EQ(import(write_bytes("dense.png", png), "dense"), std::make_pair(true, std::string()));
}

TEST_F(GraphicsTest, MemoryThatCannotBeHadIsAResult) {
    // 256 KiB of pixels from a file of a few KiB.
    std::vector<unsigned char> pixels(256 * 256 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i * i) % 251);
    std::vector<unsigned char> png;
    ASSERT_EQ(lodepng::encode(png, pixels, 256, 256), 0u);
    ASSERT_GT(png.size(), 2048u);
    ASSERT_LT(png.size(), 32768u);
    const std::string file = write_bytes("pattern.png", png);
    bool imported = false;
    bool refused = true;
    {
        // The pixels never come from operator new, so its limit does not
        // stop the image.
        AllocationLimit limit(32768);
        imported = graphics.import_png(file.c_str(), "pattern");
    }
    std::string output;
    {
        StdoutCapture capture;
        {
            // Memory for the file itself cannot be had.
            AllocationLimit limit(1024);
            refused = graphics.import_png(file.c_str(), "too big");
        }
        output = capture.take();
    }
    EXPECT_TRUE(imported);
    EXPECT_FALSE(refused);
    EXPECT_EQ(output, not_found(file));
    ASSERT_NE(graphics.get_texture("pattern"), nullptr);
    const Image stored = texture_image(graphics.get_texture("pattern")->get_name());
    ASSERT_EQ(stored.pixels.size() * 4, pixels.size());
    EXPECT_EQ(0, std::memcmp(stored.pixels.data(), pixels.data(), pixels.size()));
}

TEST_F(GraphicsTest, FifosAreRefusedUnopened) {
    const std::string png = path("pipe.png");
    const std::string ttf = path("pipe.ttf");
    ASSERT_EQ(mkfifo(png.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(ttf.c_str(), 0600), 0);
    std::pair<bool, std::string> image;
    EXPECT_FALSE(opens_fifo(png, [&] { image = import(png, "ship"); }));
    EXPECT_EQ(image, std::make_pair(false, not_found(png)));

    bool font_loaded = true;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(
        opens_fifo(ttf, [&] { font_loaded = graphics.import_truetype(ttf.c_str(), "lucon", 20); }));
    EXPECT_FALSE(font_loaded);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error initialising new FreeType face!\n[!] Graphics::import_truetype: \"" + ttf +
                  "\" could not be found.\n");
    // A device is refused likewise.
    EXPECT_EQ(import("/dev/zero", "zero"), std::make_pair(false, not_found("/dev/zero")));
}

}  // namespace
