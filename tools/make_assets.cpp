// make_assets: draws every image of the game as PNG and synthesizes every
// sound as 16-bit 44100 Hz stereo WAV. tools/make_assets.sh runs it and
// encodes the WAVs to MP3; see there how to regenerate the committed assets.
//
// Usage: make_assets <images folder> <wav folder>
//
// Everything is deterministic (own noise generator, fixed seeds): with the
// same compiler and lame, a rerun reproduces the committed files byte for byte.

#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- images

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

constexpr Rgba rgb(int r, int g, int b) { return Rgba{uint8_t(r), uint8_t(g), uint8_t(b), 255}; }

// Every outlined sprite shares this dark violet edge, which keeps the set of
// pictures looking like one family against the dark blue-grey play field.
constexpr Rgba kOutline = rgb(20, 16, 34);

struct Image {
    int width;
    int height;
    std::vector<Rgba> pixels;

    Image(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h)) {}

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    Rgba& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgba& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    bool opaque(int x, int y) const { return inside(x, y) && at(x, y).a != 0; }

    void fill_rect(int x0, int y0, int w, int h, Rgba c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                if (inside(x, y)) at(x, y) = c;
    }
};

bool save_png(const Image& image, const std::string& path) {
    std::vector<unsigned char> bytes;
    bytes.reserve(image.pixels.size() * 4);
    for (const Rgba& p : image.pixels) {
        bytes.push_back(p.r);
        bytes.push_back(p.g);
        bytes.push_back(p.b);
        bytes.push_back(p.a);
    }
    unsigned error = lodepng::encode(path, bytes, unsigned(image.width), unsigned(image.height));
    if (error != 0) {
        std::printf("[!] make_assets: could not write \"%s\": %s\n", path.c_str(),
                    lodepng_error_text(error));
        return false;
    }
    std::printf("%s  %dx%d\n", path.c_str(), image.width, image.height);
    return true;
}

// Transparent pixels that touch an opaque one (4-neighbourhood) become the
// outline colour.
void add_outline(Image& image) {
    Image source = image;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!source.opaque(x, y) && (source.opaque(x - 1, y) || source.opaque(x + 1, y) ||
                                         source.opaque(x, y - 1) || source.opaque(x, y + 1)))
                image.at(x, y) = kOutline;
}

// One material of a sprite template: the three tones of its shading ramp.
struct Material {
    Rgba light;
    Rgba base;
    Rgba dark;
};

// Builds a left-right symmetric sprite from its left half: each row of `half`
// is mirrored about the centre line, '.' is transparent and every other
// character names a material. Shading is light from above: a pixel whose upper
// neighbour is another material takes the light tone, one whose lower
// neighbour is another material the dark tone. The dark outline goes round
// the whole silhouette, so templates keep a free border of one pixel.
Image sprite_from_half(const std::vector<std::string>& half,
                       const std::map<char, Material>& materials) {
    const int half_width = int(half.front().size());
    for (size_t y = 0; y < half.size(); ++y)
        if (int(half[y].size()) != half_width) {
            std::printf("[!] make_assets: template row %zu has %zu columns, not %d\n", y,
                        half[y].size(), half_width);
            std::exit(1);
        }
    Image image(half_width * 2, int(half.size()));
    auto material_at = [&](int x, int y) -> char {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return '.';
        int column = x < half_width ? x : image.width - 1 - x;
        return half[size_t(y)][size_t(column)];
    };
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            char m = material_at(x, y);
            if (m == '.') continue;
            auto found = materials.find(m);
            if (found == materials.end()) {
                std::printf("[!] make_assets: template uses unknown material '%c'\n", m);
                std::exit(1);
            }
            const Material& mat = found->second;
            if (material_at(x, y - 1) != m)
                image.at(x, y) = mat.light;
            else if (material_at(x, y + 1) != m)
                image.at(x, y) = mat.dark;
            else
                image.at(x, y) = mat.base;
        }
    add_outline(image);
    return image;
}

Material flat(Rgba c) { return Material{c, c, c}; }

// The player's ship: a silver interceptor, nose up, cyan canopy, red wing
// stripes and two engine flames.
Image make_ship() {
    const std::vector<std::string> half = {
        "................", "...............h", "...............h", "..............hh",
        "..............hh", ".............hhg", ".............hgg", ".............hgg",
        ".............hgg", "............hhgg", "............hhgg", "............hhhg",
        "............hhhh", "...........khhhh", "..h.......kkhhah", "..h......kkhhhah",
        "..h.....hkkhhhah", "..h....hhkkhhhah", "..hk..hhhkkhhhhh", "..hk.hhaahkkhhhh",
        "..hkhhaahhhkhhhh", "..hhhaahhhhkkhhh", "..hhaahhhhhhkhhh", "..hhhhhhhkkkkhhh",
        "..hhkk...kkkhhhh", "..kk.....kkhhhkk", "..........khhhkk", "..........kkhhkk",
        "...........fyyf.", "...........fyyf.", "............ff..", "................",
    };
    std::map<char, Material> materials = {
        {'h', {rgb(236, 240, 250), rgb(176, 188, 212), rgb(104, 114, 150)}},
        {'k', {rgb(120, 128, 160), rgb(84, 90, 124), rgb(56, 60, 90)}},
        {'g', {rgb(200, 250, 255), rgb(70, 200, 240), rgb(30, 110, 170)}},
        {'a', {rgb(255, 130, 120), rgb(220, 54, 64), rgb(140, 28, 50)}},
        {'y', flat(rgb(255, 236, 140))},
        {'f', flat(rgb(255, 140, 40))},
    };
    return sprite_from_half(half, materials);
}

// Scout: a small green dart, engines at the top, nose pointing down.
Image make_enemy1() {
    const std::vector<std::string> half = {
        "................", "................", "...........ff...", "..........fyyf..",
        "..........kkkk..", "...b......khhk..", "...bb.....hhhh.h", "...bbb...hhhhhhh",
        "...bbbb.hhhhhhhh", "...bbbbbhhhhhhhh", "....bbbbhhhhhhhh", "....bbbhhhhhhhhh",
        ".....bhhhhhhhhgg", ".....hhhhhhhhggg", "......hhhhhhhggg", "......hhhhhhhhgg",
        ".......hhhhhhhhh", ".......kkhhhhhhh", "........kkhhhhhh", ".........khhhhhh",
        ".........khhhhhh", "..........khhhhh", "..........khhhhh", "...........khhhh",
        "...........khhhh", "............khhh", "............kkhh", ".............khh",
        ".............khh", "..............kh", "...............h", "................",
    };
    std::map<char, Material> materials = {
        {'h', {rgb(170, 240, 120), rgb(86, 190, 70), rgb(36, 116, 52)}},
        {'b', {rgb(120, 210, 110), rgb(52, 150, 70), rgb(24, 90, 50)}},
        {'k', {rgb(70, 120, 80), rgb(44, 86, 62), rgb(28, 58, 46)}},
        {'g', {rgb(255, 250, 170), rgb(250, 220, 40), rgb(190, 130, 20)}},
        {'y', flat(rgb(255, 236, 140))},
        {'f', flat(rgb(255, 140, 40))},
    };
    return sprite_from_half(half, materials);
}

// Raider: a violet crab with wide shoulders and two claws reaching down,
// a pink eye between them.
Image make_enemy2() {
    const std::vector<std::string> half = {
        "..................", "..................", "..................", "............ff....",
        "...........fyyf...", "...........kkkk...", ".......hhhhhhhhhhh", ".....hhhhhhhhhhhhh",
        "...hhhhhhhhhhhhhhh", "..hhhhhhhkkhhhhhhh", "..hhhhhhkkhhhhhhhh", "..hhhhhkkhhhhhhhhh",
        "..hhhhhhhhhhhhhhhh", "..hhkkhhhhhhhhhhhh", "..hhk.hhhhhhhhhhhh", "..hh..hhhhhhhhhhhh",
        "..hh...hhhhhhhaaaa", "..hh...hhhhhhaaaaa", "..hh....hhhhhaaggg", "..hh....hhhhhaaggg",
        "..hh.....hhhhaaagg", "..hhh....hhhhhaaaa", "..hhh.....hhhhhaaa", "..hhhh....hhhhhhhh",
        "...hhh.....hhhhhhh", "...hhhh....khhhhhh", "....hhh.....khhhhh", "....hhhh.....khhhh",
        ".....hhh......kkhh", ".....hhhh.........", "......hhh.........", "......hhh.........",
        ".......hh.........", ".......hh.........", "..................", "..................",
    };
    std::map<char, Material> materials = {
        {'h', {rgb(226, 170, 255), rgb(150, 92, 214), rgb(86, 46, 140)}},
        {'k', {rgb(110, 70, 160), rgb(80, 48, 124), rgb(54, 32, 90)}},
        {'a', {rgb(120, 90, 170), rgb(70, 50, 110), rgb(44, 30, 76)}},
        {'g', {rgb(255, 200, 230), rgb(255, 80, 170), rgb(170, 30, 110)}},
        {'y', flat(rgb(255, 236, 140))},
        {'f', flat(rgb(255, 140, 40))},
    };
    return sprite_from_half(half, materials);
}

// Destroyer: a broad red-orange wedge with a glowing core, armoured
// shoulders and twin prongs, the heaviest of the three.
Image make_enemy3() {
    const std::vector<std::string> half = {
        "....................", "....................", "........ff......ff..",
        ".......fyyf....fyyf.", ".......kkkk....kkkk.", "......hhhhhh..hhhhhh",
        "....hhhhhhhhhhhhhhhh", "..hhhhhhhhhhhhhhhhhh", "..hhaaaahhhhhhhhhhhh",
        "..haaaaahhhhhhhhhhhh", "..hhaaaahhhhhhhhhhhh", "..hhhhhhhhhhhhhkkkkk",
        "..hhhhhhhhhhhkkkgggg", "...hhhhhhhhhhkkggggg", "...hhhhhhhhhhkkggccc",
        "....hhhhhhhhhkkggccc", "....hhhhhhhhhkkggccc", ".....hhhhhhhhkkggggg",
        ".....hhhhhhhhhkkgggg", "......hhhhhhhhhkkkkk", "......hhhhhhhhhhhhhh",
        ".......hhhhhhhhhhhhh", ".......hhh.hhhhhhhhh", "........hh.hhhhhhhhh",
        "........hh..hhhhhhhh", "........hh..khhhhhhh", "........hh...khhhhhh",
        "........hh...khhhhhh", "........hh....khhhhh", "........hh....khhhhh",
        "........hh.....khhhh", "........hh.....khhhh", "........kk......khhh",
        "........kk......khhh", "........kk.......khh", ".................khh",
        "..................kh", "...................h", "....................",
        "....................",
    };
    std::map<char, Material> materials = {
        {'h', {rgb(255, 186, 120), rgb(222, 96, 48), rgb(140, 44, 34)}},
        {'a', {rgb(190, 120, 90), rgb(130, 70, 56), rgb(86, 40, 40)}},
        {'k', {rgb(110, 62, 60), rgb(80, 44, 48), rgb(56, 30, 38)}},
        {'g', {rgb(255, 240, 160), rgb(255, 200, 60), rgb(220, 130, 30)}},
        {'c', flat(rgb(255, 255, 230))},
        {'y', flat(rgb(255, 236, 140))},
        {'f', flat(rgb(255, 140, 40))},
    };
    return sprite_from_half(half, materials);
}

// Small pictures without outline: they glow against the background.
Image image_from_rows(const std::vector<std::string>& rows, const std::map<char, Rgba>& palette) {
    Image image(int(rows.front().size()), int(rows.size()));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            char c = rows[size_t(y)][size_t(x)];
            if (c != '.') image.at(x, y) = palette.at(c);
        }
    return image;
}

Image make_bullet() {
    return image_from_rows(
        {".w.", "ywy", "ywy", "ywy", "ywy", "oyo", "oyo", ".y.", ".o.", ".o.", ".r."},
        {{'w', rgb(255, 255, 255)},
         {'y', rgb(255, 230, 90)},
         {'o', rgb(255, 150, 40)},
         {'r', rgb(200, 70, 30)}});
}

Image make_laser_shot() {
    std::vector<std::string> rows = {".w.", "cwc"};
    rows.insert(rows.end(), 15, "cwc");
    for (const char* r : {"bwb", "bcb", ".c.", ".b.", ".b.", ".d."}) rows.push_back(r);
    return image_from_rows(rows, {{'w', rgb(255, 255, 255)},
                                  {'c', rgb(110, 240, 255)},
                                  {'b', rgb(40, 170, 240)},
                                  {'d', rgb(30, 90, 200)}});
}

Image make_enemy_bullet() {
    return image_from_rows({".rRRr.", "rRppRr", "RpwwpR", "RpwwpR", "rRppRr", ".rRRr."},
                           {{'w', rgb(255, 255, 255)},
                            {'p', rgb(255, 170, 210)},
                            {'R', rgb(255, 60, 120)},
                            {'r', rgb(170, 24, 80)}});
}

// A small deterministic generator (xorshift32): the same pictures and sounds
// on every run.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float unit() { return float(next() >> 8) / float(1 << 24); }  // 0 to 1
    float signed_unit() { return unit() * 2.0f - 1.0f; }          // -1 to 1
};

// A hashed value, 0 to 1, for each lattice point.
float lattice(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xffff) / 65535.0f;
}

// Smooth value noise on the hashed lattice, 0 to 1.
float value_noise(float x, float y, uint32_t seed) {
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - float(ix), fy = y - float(iy);
    float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    float top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * sx;
    float bottom = lattice(ix, iy + 1, seed) +
                   (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * sx;
    return top + (bottom - top) * sy;
}

float fractal_noise(float x, float y, uint32_t seed) {
    return (value_noise(x, y, seed) * 0.6f + value_noise(x * 2.1f, y * 2.1f, seed + 1) * 0.3f +
            value_noise(x * 4.3f, y * 4.3f, seed + 2) * 0.1f);
}

// Ten 100 x 100 frames side by side: a white flash that swells into a
// cluster of billowing puffs, cools through orange and red into smoke, and
// dissolves. Each frame grows the same puffs and samples the same noise
// scaled with the ball, so the frames follow on from each other.
Image make_explosion() {
    constexpr int kFrames = 10, kSize = 100, kPuffs = 8;
    const Rgba ramp[] = {rgb(255, 255, 236), rgb(255, 236, 120), rgb(255, 170, 50),
                         rgb(236, 90, 36),   rgb(170, 44, 40),   rgb(100, 40, 52),
                         rgb(74, 62, 76)};
    struct Puff {
        float angle, reach, size;
    };
    Noise random(77);
    Puff puffs[kPuffs];
    for (int i = 0; i < kPuffs; ++i)
        puffs[i] = {(float(i) + random.unit() * 0.6f) * 6.2831853f / kPuffs,
                    0.6f + random.unit() * 0.5f, 0.55f + random.unit() * 0.3f};
    Image strip(kFrames * kSize, kSize);
    for (int f = 0; f < kFrames; ++f) {
        const float t = float(f) / float(kFrames - 1);
        const float growth = 1.0f - std::pow(1.0f - t, 2.5f);
        const float scale = 12.0f + 28.0f * growth;           // radius of the whole cluster
        const float heat = 1.35f - 1.3f * std::pow(t, 0.7f);  // the ball cools as it grows
        const float fade =
            t < 0.45f ? 0.0f : (t - 0.45f) / 0.55f;  // the smoke dissolves at the end
        // A free border of one pixel keeps each frame inside its cell.
        for (int y = 1; y < kSize - 1; ++y)
            for (int x = 1; x < kSize - 1; ++x) {
                const float dx = float(x) - 49.5f, dy = float(y) - 49.5f;
                float field = 1.0f - std::sqrt(dx * dx + dy * dy) / scale;  // the central puff
                for (const Puff& p : puffs) {
                    float px = std::cos(p.angle) * p.reach * scale * 0.55f;
                    float py = std::sin(p.angle) * p.reach * scale * 0.55f;
                    float d = std::sqrt((dx - px) * (dx - px) + (dy - py) * (dy - py));
                    field = std::max(field, 1.0f - d / (p.size * scale));
                }
                const float billow =
                    fractal_noise(dx / scale * 2.4f + 20.0f, dy / scale * 2.4f + 20.0f, 5);
                field += (billow - 0.5f) * 0.45f;
                if (field <= 0.0f) continue;
                const float grain = value_noise(float(x) / 4.5f, float(y) / 4.5f, 9);
                if (grain < fade * 1.1f - field * 0.3f) continue;
                const float temperature = field * 1.6f * heat + (billow - 0.5f) * 0.5f;
                int index;
                if (temperature > 1.1f)
                    index = 0;
                else if (temperature > 0.8f)
                    index = 1;
                else if (temperature > 0.55f)
                    index = 2;
                else if (temperature > 0.38f)
                    index = 3;
                else if (temperature > 0.24f)
                    index = 4;
                else if (temperature > 0.12f)
                    index = 5;
                else
                    index = 6;
                strip.at(f * kSize + x, y) = ramp[index];
            }
        // Sparks flung out ahead of the ball in the first frames.
        if (f >= 1 && f <= 5)
            for (int i = 0; i < 14; ++i) {
                float angle = random.unit() * 6.2831853f;
                float reach = scale * (1.15f + random.unit() * 0.4f);
                int sx = int(49.5f + std::cos(angle) * reach),
                    sy = int(49.5f + std::sin(angle) * reach);
                Rgba c = i % 3 == 0 ? ramp[0] : ramp[1];
                if (sx >= 1 && sy >= 1 && sx < kSize - 2 && sy < kSize - 2) {
                    strip.at(f * kSize + sx, sy) = c;
                    if (f <= 3) strip.at(f * kSize + sx + 1, sy) = c;
                }
            }
    }
    return strip;
}

// 5 x 7 pixel letters, only those the buttons spell.
const std::map<char, std::vector<std::string>>& pixel_font() {
    static const std::map<char, std::vector<std::string>> font = {
        {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
        {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
        {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
        {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
        {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
        {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
        {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    };
    return font;
}

void draw_word(Image& image, const std::string& word, int ox, int oy, int scale, Rgba colour) {
    for (size_t i = 0; i < word.size(); ++i) {
        const std::vector<std::string>& glyph = pixel_font().at(word[i]);
        for (int gy = 0; gy < 7; ++gy)
            for (int gx = 0; gx < 5; ++gx)
                if (glyph[size_t(gy)][size_t(gx)] == '#')
                    image.fill_rect(ox + (int(i) * 6 + gx) * scale, oy + gy * scale, scale, scale,
                                    colour);
    }
}

// A 200 x 50 bevelled plate in near-white and light grey (the menu tints it:
// white normally, green under the mouse) with the word in dark pixel letters.
Image make_button(const std::string& word) {
    constexpr int kWidth = 200, kHeight = 50, kScale = 4;
    Image image(kWidth, kHeight);
    const Rgba border = rgb(120, 122, 140), top = rgb(255, 255, 255), bottom = rgb(168, 170, 186);
    for (int y = 0; y < kHeight; ++y) {
        // Face: a few flat bands from near-white at the top to light grey.
        int band = (y - 3) * 4 / (kHeight - 6);
        const Rgba face[] = {rgb(246, 246, 250), rgb(234, 235, 242), rgb(222, 223, 232),
                             rgb(210, 212, 224)};
        image.fill_rect(0, y, kWidth, 1, face[std::clamp(band, 0, 3)]);
    }
    image.fill_rect(0, 0, kWidth, 2, border);
    image.fill_rect(0, kHeight - 2, kWidth, 2, border);
    image.fill_rect(0, 0, 2, kHeight, border);
    image.fill_rect(kWidth - 2, 0, 2, kHeight, border);
    image.fill_rect(2, 2, kWidth - 4, 1, top);
    image.fill_rect(2, 2, 1, kHeight - 4, top);
    image.fill_rect(2, kHeight - 3, kWidth - 4, 1, bottom);
    image.fill_rect(kWidth - 3, 2, 1, kHeight - 4, bottom);
    // Rounded corners: cut a small triangle off each corner and run the
    // two-pixel border along its diagonal.
    for (int cx : {0, kWidth - 1})
        for (int cy : {0, kHeight - 1}) {
            const int sx = cx == 0 ? 1 : -1, sy = cy == 0 ? 1 : -1;
            for (int i = 0; i < 5; ++i)
                for (int j = 0; j < 5 - i; ++j)
                    image.at(cx + sx * i, cy + sy * j) = i + j < 3 ? Rgba{} : border;
        }
    const int text_width = (int(word.size()) * 6 - 1) * kScale, text_height = 7 * kScale;
    const int tx = (kWidth - text_width) / 2, ty = (kHeight - text_height) / 2;
    draw_word(image, word, tx + 2, ty + 2, kScale, rgb(172, 174, 190));  // soft drop shadow
    draw_word(image, word, tx, ty, kScale, rgb(44, 46, 64));
    return image;
}

// ---------------------------------------------------------------- sounds

constexpr int kRate = 44100;
constexpr double kTau = 6.283185307179586;

struct Track {
    std::vector<float> left, right;

    explicit Track(double seconds)
        : left(size_t(seconds * kRate)), right(size_t(seconds * kRate)) {}

    size_t length() const { return left.size(); }
    void add(size_t i, float l, float r) {
        if (i < left.size()) {
            left[i] += l;
            right[i] += r;
        }
    }
    void add_mono(size_t i, float v) { add(i, v, v); }

    // Scales to the given peak and ramps the last 3 ms to silence so the
    // end never clicks.
    void normalise(float peak) {
        float highest = 0.0f;
        for (size_t i = 0; i < length(); ++i)
            highest = std::max({highest, std::fabs(left[i]), std::fabs(right[i])});
        float gain = highest > 0.0f ? peak / highest : 0.0f;
        size_t ramp = std::min(length(), size_t(kRate * 0.003));
        for (size_t i = 0; i < length(); ++i) {
            float g = gain;
            size_t from_end = length() - 1 - i;
            if (from_end < ramp) g *= float(from_end) / float(ramp);
            left[i] *= g;
            right[i] *= g;
        }
    }
};

bool write_wav(const Track& track, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::printf("[!] make_assets: could not write \"%s\"\n", path.c_str());
        return false;
    }
    auto u32 = [&](uint32_t v) {
        unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        std::fwrite(b, 1, 4, file);
    };
    auto u16 = [&](uint16_t v) {
        unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
        std::fwrite(b, 1, 2, file);
    };
    const uint32_t data_bytes = uint32_t(track.length() * 4);
    std::fwrite("RIFF", 1, 4, file);
    u32(36 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1);  // PCM
    u16(2);  // stereo
    u32(kRate);
    u32(kRate * 4);  // bytes per second
    u16(4);          // bytes per frame
    u16(16);         // bits per sample
    std::fwrite("data", 1, 4, file);
    u32(data_bytes);
    auto sample = [](float v) {
        return uint16_t(int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f)));
    };
    for (size_t i = 0; i < track.length(); ++i) {
        u16(sample(track.left[i]));
        u16(sample(track.right[i]));
    }
    bool ok = std::fclose(file) == 0;
    if (ok) std::printf("%s  %.3f s\n", path.c_str(), double(track.length()) / kRate);
    return ok;
}

double midi_to_hz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

float square(double phase, double duty) { return phase - std::floor(phase) < duty ? 1.0f : -1.0f; }

float triangle(double phase) {
    double p = phase - std::floor(phase);
    return float(p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p);
}

// One-pole low-pass coefficient for a cut-off in Hz.
float low_pass_coefficient(double hz) { return float(1.0 - std::exp(-kTau * hz / kRate)); }

enum class Wave { square, triangle };

struct Instrument {
    Wave wave = Wave::square;
    double duty = 0.5;
    float volume = 0.1f;
    float pan = 0.0f;       // -1 left to 1 right
    double attack = 0.003;  // s
    double decay = 0.2;     // s, time constant towards sustain
    double sustain = 0.5;
    double release = 0.02;        // s
    double cutoff = 8000.0;       // Hz
    double vibrato_depth = 0.0;   // semitones
    double vibrato_rate = 5.5;    // Hz
    double vibrato_delay = 0.12;  // s
};

void play_note(Track& track, double start, double length, double note, const Instrument& ins) {
    const double hz = midi_to_hz(note);
    const size_t first = size_t(start * kRate);
    const size_t count = size_t((length + ins.release) * kRate);
    const float lp = low_pass_coefficient(ins.cutoff);
    const float left = ins.volume * std::min(1.0f, 1.0f - ins.pan),
                right = ins.volume * std::min(1.0f, 1.0f + ins.pan);
    double phase = 0.0;
    float filtered = 0.0f;
    for (size_t i = 0; i < count; ++i) {
        double t = double(i) / kRate;
        double env = t < ins.attack ? t / ins.attack
                                    : ins.sustain + (1.0 - ins.sustain) *
                                                        std::exp(-(t - ins.attack) / ins.decay);
        if (t > length) env *= std::max(0.0, 1.0 - (t - length) / ins.release);
        double bend = 0.0;
        if (ins.vibrato_depth > 0.0 && t > ins.vibrato_delay)
            bend = ins.vibrato_depth * std::sin(kTau * ins.vibrato_rate * (t - ins.vibrato_delay));
        phase += hz * std::pow(2.0, bend / 12.0) / kRate;
        float raw = ins.wave == Wave::square ? square(phase, ins.duty) : triangle(phase);
        filtered += lp * (raw - filtered);
        float v = filtered * float(env);
        track.add(first + i, v * left, v * right);
    }
}

// Adds `source` to `target` with one cross-fed echo (ping-pong) so the
// arpeggio fills the stereo field.
void mix_with_echo(Track& target, const Track& source, double delay, float gain) {
    const size_t d = size_t(delay * kRate);
    for (size_t i = 0; i < target.length() && i < source.length(); ++i) {
        float l = source.left[i], r = source.right[i];
        if (i >= d) {
            l += gain * source.right[i - d];
            r += gain * source.left[i - d];
        }
        target.add(i, l, r);
    }
}

// Drums, each written at a start time in seconds.
struct Drums {
    Track& track;
    Noise noise{12345};

    void kick(double start, float volume) {
        const size_t first = size_t(start * kRate);
        double phase = 0.0;
        for (size_t i = 0; i < size_t(0.3 * kRate); ++i) {
            double t = double(i) / kRate;
            phase += (45.0 + 110.0 * std::exp(-t / 0.03)) / kRate;
            float v = float(std::sin(kTau * phase) * std::exp(-t / 0.1));
            if (t < 0.004) v += noise.signed_unit() * 0.3f * float(1.0 - t / 0.004);
            track.add_mono(first + i, v * volume);
        }
    }

    void snare(double start, float volume) {
        const size_t first = size_t(start * kRate);
        float low = 0.0f;
        for (size_t i = 0; i < size_t(0.2 * kRate); ++i) {
            double t = double(i) / kRate;
            float n = noise.signed_unit();
            low += 0.25f * (n - low);
            float v = (n - low) * float(std::exp(-t / 0.05)) +
                      0.5f * float(std::sin(kTau * 185.0 * t) * std::exp(-t / 0.03));
            track.add_mono(first + i, v * volume);
        }
    }

    void hat(double start, float volume, double decay, float pan) {
        const size_t first = size_t(start * kRate);
        float low1 = 0.0f, low2 = 0.0f;
        for (size_t i = 0; i < size_t(decay * 6.0 * kRate); ++i) {
            double t = double(i) / kRate;
            float n = noise.signed_unit();
            low1 += 0.5f * (n - low1);
            float high = n - low1;
            low2 += 0.5f * (high - low2);
            float v = (high - low2) * float(std::exp(-t / decay)) * volume;
            track.add(first + i, v * std::min(1.0f, 1.0f - pan), v * std::min(1.0f, 1.0f + pan));
        }
    }
};

struct Chord {
    int bass;      // MIDI note of the bass root
    int tones[3];  // the arpeggio's chord tones, close voicing around A4
};

// The music: a minute-long chiptune in A minor at 125 beats per minute
// (a sixteenth is 0.12 s, a bar 1.92 s): intro, verse, melody, bridge,
// melody again and a closing chord. Bass on a triangle, arpeggio on a thin
// square with echo, lead on a square with vibrato, noise drums.
Track make_music() {
    constexpr double kSixteenth = 0.12, kBar = 16 * kSixteenth;
    const Chord am{45, {69, 72, 76}}, f{41, {69, 72, 77}}, c{48, {67, 72, 76}}, g{43, {67, 71, 74}},
        em{40, {67, 71, 76}}, e{40, {68, 71, 76}};
    const std::vector<Chord> verse = {am, f, c, g, am, f, c, g};
    const std::vector<Chord> bridge = {f, g, em, am, f, g, e, e};

    // The melody, bar by bar: (length in sixteenths, MIDI note; 0 = rest).
    const std::vector<std::vector<std::pair<int, int>>> melody = {
        {{2, 69}, {2, 72}, {4, 76}, {2, 74}, {2, 72}, {2, 74}, {2, 76}},
        {{6, 77}, {2, 76}, {4, 72}, {4, 69}},
        {{4, 79}, {2, 76}, {2, 79}, {4, 81}, {2, 79}, {2, 76}},
        {{6, 74}, {2, 71}, {4, 74}, {4, 67}},
        {{2, 69}, {2, 72}, {4, 76}, {4, 81}, {2, 79}, {2, 76}},
        {{4, 77}, {4, 81}, {2, 79}, {2, 77}, {4, 76}},
        {{4, 76}, {4, 79}, {2, 72}, {2, 74}, {4, 76}},
        {{4, 74}, {2, 76}, {2, 74}, {8, 71}},
    };
    // The bridge's slow counter-melody, one note a bar.
    const int counter[] = {69, 71, 71, 72, 72, 74, 68, 71};

    Instrument bass;
    bass.wave = Wave::triangle;
    bass.volume = 0.28f;
    bass.decay = 0.3;
    bass.sustain = 0.6;
    bass.cutoff = 2500.0;
    Instrument bass_edge;  // a little filtered square on top gives the bass presence
    bass_edge.duty = 0.5;
    bass_edge.volume = 0.05f;
    bass_edge.decay = 0.15;
    bass_edge.sustain = 0.3;
    bass_edge.cutoff = 900.0;
    Instrument arp;
    arp.duty = 0.25;
    arp.volume = 0.075f;
    arp.pan = -0.3f;
    arp.decay = 0.07;
    arp.sustain = 0.25;
    arp.cutoff = 5000.0;
    Instrument lead;
    lead.duty = 0.5;
    lead.volume = 0.1f;
    lead.pan = 0.25f;
    lead.attack = 0.005;
    lead.decay = 0.25;
    lead.sustain = 0.65;
    lead.cutoff = 3200.0;
    lead.vibrato_depth = 0.15;
    Instrument lead_under = lead;  // the last verse doubles the lead an octave down
    lead_under.wave = Wave::triangle;
    lead_under.volume = 0.12f;
    lead_under.pan = -0.1f;
    Instrument pad;
    pad.wave = Wave::triangle;
    pad.volume = 0.16f;
    pad.pan = 0.2f;
    pad.attack = 0.08;
    pad.decay = 0.6;
    pad.sustain = 0.7;
    pad.release = 0.2;
    pad.vibrato_depth = 0.12;
    pad.vibrato_delay = 0.3;

    enum Part { intro, plain_verse, melody_verse, bridge_part, last_verse };
    struct Bar {
        Chord chord;
        Part part;
        int index;  // bar within its part
    };
    std::vector<Bar> bars;
    for (int i = 0; i < 4; ++i) bars.push_back({verse[size_t(i)], intro, i});
    for (int i = 0; i < 8; ++i) bars.push_back({verse[size_t(i)], plain_verse, i});
    for (int i = 0; i < 8; ++i) bars.push_back({verse[size_t(i)], melody_verse, i});
    for (int i = 0; i < 8; ++i) bars.push_back({bridge[size_t(i)], bridge_part, i});
    for (int i = 0; i < 8; ++i) bars.push_back({verse[size_t(i)], last_verse, i});

    const double end_time = double(bars.size()) * kBar;
    Track music(end_time + 3.0);
    Track arp_track(music.length() / double(kRate));
    Drums drums{music};

    for (size_t b = 0; b < bars.size(); ++b) {
        const Bar& bar = bars[b];
        const double t0 = double(b) * kBar;
        const bool last_of_part = bar.part == intro ? bar.index == 3 : bar.index == 7;

        // Bass in eighths: root, root, octave, root, root, root, octave, fifth.
        const int steps[8] = {0, 0, 12, 0, 0, 0, 12, 7};
        for (int i = 0; i < 8; ++i) {
            double start = t0 + i * 2 * kSixteenth;
            play_note(music, start, 2 * kSixteenth * 0.85, bar.chord.bass + steps[i], bass);
            play_note(music, start, 2 * kSixteenth * 0.6, bar.chord.bass + steps[i] + 12,
                      bass_edge);
        }

        // Arpeggio in sixteenths; the bridge runs it downwards.
        if (bar.part != intro || bar.index >= 2) {
            const int tones[4] = {bar.chord.tones[0], bar.chord.tones[1], bar.chord.tones[2],
                                  bar.chord.tones[0] + 12};
            const int up[16] = {0, 1, 2, 3, 2, 1, 0, 1, 0, 1, 2, 3, 2, 1, 2, 3};
            const int down[16] = {3, 2, 1, 0, 1, 2, 3, 2, 3, 2, 1, 0, 1, 2, 1, 0};
            Instrument voice = arp;
            if (bar.part == intro) voice.volume *= 0.6f;
            for (int i = 0; i < 16; ++i) {
                int step = bar.part == bridge_part ? down[i] : up[i];
                play_note(arp_track, t0 + i * kSixteenth, kSixteenth * 0.8, tones[step], voice);
            }
        }

        // Lead.
        if (bar.part == melody_verse || bar.part == last_verse) {
            double start = t0;
            for (auto [length, note] : melody[size_t(bar.index)]) {
                if (note != 0) {
                    play_note(music, start, length * kSixteenth - 0.02, note, lead);
                    if (bar.part == last_verse)
                        play_note(music, start, length * kSixteenth - 0.02, note - 12, lead_under);
                }
                start += length * kSixteenth;
            }
        }
        if (bar.part == bridge_part) play_note(music, t0, kBar - 0.1, counter[bar.index], pad);

        // Drums: four on the floor feel in the verses, half time in the bridge.
        if (bar.part == bridge_part) {
            drums.kick(t0, 0.55f);
            drums.kick(t0 + 10 * kSixteenth, 0.4f);
            drums.snare(t0 + 8 * kSixteenth, 0.3f);
        } else {
            drums.kick(t0, 0.55f);
            drums.kick(t0 + 8 * kSixteenth, 0.55f);
            if (bar.index % 2 == 1) drums.kick(t0 + 10 * kSixteenth, 0.35f);
            if (bar.part != intro || bar.index >= 2) {
                drums.snare(t0 + 4 * kSixteenth, 0.3f);
                drums.snare(t0 + 12 * kSixteenth, 0.3f);
            }
        }
        for (int i = 0; i < 16; i += 2) {
            float accent = i % 4 == 2 ? 0.11f : 0.07f;
            if (bar.part == bridge_part) accent *= 0.7f;
            drums.hat(t0 + i * kSixteenth, accent, 0.018, 0.3f);
        }
        if (bar.part != bridge_part && bar.part != intro)
            drums.hat(t0 + 14 * kSixteenth, 0.06f, 0.08, 0.3f);
        if (last_of_part)
            for (int i = 13; i < 16; ++i)
                drums.snare(t0 + i * kSixteenth, 0.12f + 0.06f * float(i - 13));
    }

    // Closing chord: A minor held and ringing out over a last kick and crash.
    {
        Instrument ring = pad;
        ring.volume = 0.1f;
        ring.decay = 0.8;
        ring.sustain = 0.0;
        ring.release = 0.5;
        for (int note : {57, 64, 69, 72, 76}) play_note(music, end_time, 2.2, note, ring);
        Instrument low = bass;
        low.decay = 0.9;
        low.sustain = 0.0;
        low.release = 0.5;
        play_note(music, end_time, 2.2, 33, low);
        drums.kick(end_time, 0.6f);
        drums.hat(end_time, 0.12f, 0.35, 0.0f);
    }

    mix_with_echo(music, arp_track, 3 * kSixteenth, 0.35f);
    music.normalise(0.5f);
    return music;
}

// Effects --------------------------------------------------------------

constexpr float kEffectPeak = 0.7f;

// A fast falling square blip with a click of noise: it fires every 80 to
// 210 ms, so it is over in 70 ms and kept soft.
Track make_gun() {
    Track track(0.07);
    Noise noise(1);
    double phase = 0.0;
    float low = 0.0f;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        phase += (320.0 + 1100.0 * std::exp(-t / 0.018)) / kRate;
        float tone = square(phase, 0.5 - 0.3 * t / 0.07) * float(std::exp(-t / 0.025));
        float n = noise.signed_unit();
        low += 0.3f * (n - low);
        float click = (n - low) * float(std::exp(-t / 0.006));
        track.add_mono(i, tone * 0.7f + click * 0.5f);
    }
    track.normalise(kEffectPeak * 0.65f);
    return track;
}

// A bright zap sweeping down, two slightly detuned thin squares; short,
// since the laser fires every 80 ms at the top level.
Track make_laser_zap() {
    Track track(0.18);
    double a = 0.0, b = 0.0;
    float low = 0.0f;
    const float lp = low_pass_coefficient(7000.0);
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        double hz = 240.0 + 1800.0 * std::exp(-t / 0.05);
        hz *= 1.0 + 0.02 * std::sin(kTau * 38.0 * t);
        a += hz / kRate;
        b += hz * 1.012 / kRate;
        float raw = 0.6f * square(a, 0.125) + 0.4f * square(b, 0.25);
        low += lp * (raw - low);
        float env = float(std::exp(-t / 0.07)) * float(std::min(1.0, t / 0.002));
        track.add(i, low * env, low * env * 0.9f);
    }
    track.normalise(kEffectPeak * 0.55f);
    return track;
}

// A rising arpeggio of C major over two octaves, the last note ringing.
Track make_level_up() {
    Track track(0.75);
    Instrument voice;
    voice.duty = 0.25;
    voice.volume = 0.5f;
    voice.decay = 0.08;
    voice.sustain = 0.45;
    voice.cutoff = 6000.0;
    const int notes[] = {72, 76, 79, 84, 88, 91};
    for (int i = 0; i < 6; ++i) {
        bool last = i == 5;
        Instrument v = voice;
        if (last) {
            v.vibrato_depth = 0.2;
            v.vibrato_rate = 7.0;
            v.vibrato_delay = 0.05;
            v.release = 0.12;
        }
        play_note(track, i * 0.065, last ? 0.3 : 0.06, notes[i], v);
        Instrument echo = v;
        echo.volume = 0.18f;
        echo.pan = 0.6f;
        play_note(track, i * 0.065 + 0.1, last ? 0.22 : 0.05, notes[i], echo);
    }
    track.normalise(kEffectPeak * 0.8f);
    return track;
}

// A low, gritty thud: the ship took a bullet or rammed something.
Track make_player_hit() {
    Track track(0.24);
    Noise noise(2);
    double phase = 0.0;
    float low = 0.0f;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        phase += (110.0 + 140.0 * std::exp(-t / 0.05)) / kRate;
        float tone = square(phase, 0.4);
        float n = noise.signed_unit();
        low += 0.08f * (n - low);
        float env = float(std::exp(-t / 0.07)) * float(std::min(1.0, t / 0.002));
        track.add_mono(i, (tone * 0.6f + low * 2.5f) * env);
    }
    track.normalise(kEffectPeak);
    return track;
}

// Noise through a one-pole low-pass whose cut-off falls over the burst; each
// channel gets a part of its own noise for width. `thump` adds a falling
// sine underneath.
Track noise_burst(double seconds, uint32_t seed, double cutoff_start, double cutoff_end,
                  double decay, float thump, float crackle) {
    Track track(seconds);
    Noise noise(seed);
    float low_l = 0.0f, low_r = 0.0f;
    double phase = 0.0;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        double cutoff = cutoff_end + (cutoff_start - cutoff_end) * std::exp(-t / (seconds * 0.3));
        float lp = low_pass_coefficient(cutoff);
        float common = noise.signed_unit();
        float nl = common * 0.8f + noise.signed_unit() * 0.2f;
        float nr = common * 0.8f + noise.signed_unit() * 0.2f;
        if (crackle > 0.0f && noise.unit() < 0.002f) {
            nl += crackle * noise.signed_unit() * 8.0f;
            nr += crackle * noise.signed_unit() * 8.0f;
        }
        low_l += lp * (nl - low_l);
        low_r += lp * (nr - low_r);
        float env = float(std::exp(-t / decay)) * float(std::min(1.0, t / 0.003));
        phase += (40.0 + 60.0 * std::exp(-t / 0.08)) / kRate;
        float sub = thump * float(std::sin(kTau * phase) * std::exp(-t / (decay * 1.2)));
        track.add(i, low_l * env * 3.0f + sub, low_r * env * 3.0f + sub);
    }
    track.normalise(kEffectPeak);
    return track;
}

// The ship goes up: a long deep explosion with a tone falling under it.
Track make_player_died() {
    Track track = noise_burst(1.3, 3, 3000.0, 90.0, 0.35, 0.5f, 0.6f);
    double phase = 0.0;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        phase += (55.0 + 385.0 * std::exp(-t / 0.35)) / kRate;
        float v = 0.35f * triangle(phase) * float(std::max(0.0, 1.0 - t / 1.3));
        track.add_mono(i, v);
    }
    track.normalise(kEffectPeak);
    return track;
}

// A short metallic tick; the three hits differ in pitch.
Track make_hit(double hz) {
    Track track(0.05);
    Noise noise{uint32_t(hz)};
    double phase = 0.0;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        phase += hz * (1.0 - 0.15 * t / 0.05) / kRate;
        float v = square(phase, 0.5) * float(std::exp(-t / 0.012));
        if (t < 0.003) v += noise.signed_unit() * 0.6f;
        track.add_mono(i, v);
    }
    track.normalise(kEffectPeak * 0.6f);
    return track;
}

// A falling, wobbling tone: an enemy got away.
Track make_lost_enemy() {
    Track track(0.5);
    double phase = 0.0;
    for (size_t i = 0; i < track.length(); ++i) {
        double t = double(i) / kRate;
        double hz = 880.0 * std::pow(0.25, t / 0.5) * (1.0 + 0.03 * std::sin(kTau * 12.0 * t));
        phase += hz / kRate;
        float v = (0.7f * triangle(phase) + 0.3f * square(phase, 0.5)) * float(1.0 - t / 0.5);
        track.add_mono(i, v);
    }
    track.normalise(kEffectPeak * 0.8f);
    return track;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: make_assets <images folder> <wav folder>\n");
        return 2;
    }
    const std::string images = std::string(argv[1]) + "/", wavs = std::string(argv[2]) + "/";
    bool ok = true;

    const std::vector<std::pair<std::string, std::function<Image()>>> pictures = {
        {"ship", make_ship},
        {"enemy1", make_enemy1},
        {"enemy2", make_enemy2},
        {"enemy3", make_enemy3},
        {"bullet", make_bullet},
        {"laser", make_laser_shot},
        {"enemy_bullet", make_enemy_bullet},
        {"explosion", make_explosion},
        {"start_button", [] { return make_button("START"); }},
        {"exit_button", [] { return make_button("EXIT"); }},
    };
    for (const auto& [name, make] : pictures) ok = save_png(make(), images + name + ".png") && ok;

    const std::vector<std::pair<std::string, std::function<Track()>>> sounds = {
        {"music", make_music},
        {"gun", make_gun},
        {"laser", make_laser_zap},
        {"level_up", make_level_up},
        {"player_hit", make_player_hit},
        {"player_died", make_player_died},
        {"hit1", [] { return make_hit(1175.0); }},
        {"hit2", [] { return make_hit(880.0); }},
        {"hit3", [] { return make_hit(660.0); }},
        {"explosion1", [] { return noise_burst(0.45, 11, 7000.0, 400.0, 0.1, 0.2f, 0.0f); }},
        {"explosion2", [] { return noise_burst(0.65, 12, 3500.0, 200.0, 0.16, 0.45f, 0.3f); }},
        {"explosion3", [] { return noise_burst(0.82, 13, 1600.0, 90.0, 0.24, 0.7f, 0.6f); }},
        {"lost_enemy", make_lost_enemy},
    };
    for (const auto& [name, make] : sounds) ok = write_wav(make(), wavs + name + ".wav") && ok;

    return ok ? 0 : 1;
}
