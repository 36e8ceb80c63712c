#include "core/Config.h"

#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries entries(const Config& config, const char* section) {
    Entries out;
    if (const Config::Section* found = config.find_section(String(section)))
        for (const auto& entry : *found)
            out.emplace_back(entry.first.to_std_string(), entry.second.to_std_string());
    return out;
}

class ConfigFile : public ::testing::Test {
protected:
    Config load(const std::string& text) {
        Config config;
        EXPECT_TRUE(config.load(String(scratch.write("config.txt", text))));
        return config;
    }
    ScratchDir scratch;
};

}  // namespace

TEST(Trim, BlanksAreSpacesAndTabsOnly) {
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases = {
        {"  a b \t", "a b"}, {"a", "a"},      {"", ""},          {"   ", "   "},
        {"\t", "\t"},        {" x\r", "x\r"}, {"\r x ", "\r x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trim(String(c.in)).to_std_string(), c.out) << "'" << c.in << "'";
}

TEST_F(ConfigFile, SyntaxTable) {
    struct Case {
        std::string line;
        Entries section;  // what [s] holds after "[s]\n" + line
    };
    const std::vector<Case> cases = {
        {"a=b=c", {{"a", "b=c"}, {"a=b", "c"}}},
        {"name = one ; two", {{"name", "one ; two"}}},
        {"; x = 1", {}},
        {"x ; = 1", {}},
        {"a = 1", {{"a", "1"}}},
        {"a=", {{"a", ""}}},
        {"a =   ", {{"a", "   "}}},  // three blanks stay
        {"a = [b]", {{"a", "[b]"}}},
        {"k = v\rw", {{"k", "v\rw"}}},  // a lone carriage return stays
        {"= v", {{"", "v"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Config config = load("[s]\n" + c.line + "\n");
        EXPECT_EQ(entries(config, "s"), c.section);
    }
}

TEST_F(ConfigFile, Headers) {
    Config config = load(
        "[ fonts ]\nx = 1\n[]\ny = 2\n[sounds\nw = 4\njunk [sounds] = x\nz = 3\n[a;b=c] tail\nv = "
        "5\n");
    EXPECT_EQ(entries(config, " fonts "), (Entries{{"x", "1"}}));
    EXPECT_FALSE(config.has_section(String("fonts")));
    // "[sounds" does nothing, so w stays in the current section; "junk
    // [sounds] = x" only switches to [sounds].
    EXPECT_EQ(entries(config, ""), (Entries{{"w", "4"}, {"y", "2"}}));
    EXPECT_EQ(entries(config, "sounds"), (Entries{{"z", "3"}}));
    EXPECT_EQ(entries(config, "a;b=c"), (Entries{{"v", "5"}}));
}

TEST_F(ConfigFile, RepeatedSectionsAndKeys) {
    Config config = load("top = 0\n[s]\nk = first\n[t]\nq = 1\n[s]\nk = second\nm = 2\n");
    EXPECT_EQ(entries(config, "s"), (Entries{{"k", "first"}, {"m", "2"}}));
    EXPECT_EQ(config.get(String(""), String("top")).to_std_string(), "0");
    // Key order is byte order, shorter first.
    Config order = load("[s]\na = 1\nabc = 2\nB = 3\nab = 4\n");
    EXPECT_EQ(entries(order, "s"), (Entries{{"B", "3"}, {"a", "1"}, {"ab", "4"}, {"abc", "2"}}));
}

TEST_F(ConfigFile, LineEnds) {
    // CR LF reads as LF; the last line counts without a final line end.
    Config crlf = load("[key bindings]\r\nESC = 27\r\n\r\nSHOOT = 32");
    EXPECT_EQ(entries(crlf, "key bindings"), (Entries{{"ESC", "27"}, {"SHOOT", "32"}}));
    EXPECT_EQ(crlf.get(String("key bindings"), String("SHOOT")).to_int(), 32);
    // A lone CR, and a CR before the end of the file, stay.
    Config lone = load("[s]\na = 1\rb = 2\nc = 3\r");
    EXPECT_EQ(entries(lone, "s"), (Entries{{"a", "1\rb = 2"}, {"a = 1\rb", "2"}, {"c", "3\r"}}));
    // A NUL ends a line like a line feed.
    Config nul = load(std::string("[s]\0a = 1\nb = 2", 15));
    EXPECT_EQ(entries(nul, "s"), (Entries{{"a", "1"}, {"b", "2"}}));
}

TEST_F(ConfigFile, ALineOfManyEqualsSignsMakesBoundedText) {
    // Every '=' makes an entry of about the whole line: 4 MiB of them would
    // make 16 TiB. Entries stop once the line has made 8 times its length
    // plus 4 KiB, and the lines after it are read as usual.
    const size_t signs = 4 << 20;
    const std::string file =
        scratch.write("config.txt", "[s]\nk" + std::string(signs, '=') + "\nafter = 1\n");
    Config config;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(config.load(String(file)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[!] Config::load: line 2 of \"" + file +
                  "\" makes too many entries; the rest of it is ignored\n");
    const Config::Section* section = config.find_section(String("s"));
    ASSERT_NE(section, nullptr);
    // Each entry holds the line but its '=', signs bytes: eight fit.
    EXPECT_EQ(section->size(), 9u);
    EXPECT_EQ(config.get(String("s"), String("k")).size(), signs - 1);
    EXPECT_EQ(config.get(String("s"), String("k=======")).size(), signs - 8);
    EXPECT_FALSE(config.has_key(String("s"), String("k========")));
    EXPECT_EQ(config.get(String("s"), String("after")).to_std_string(), "1");

    // A line of 40 signs is far below the bound: all of its entries, quietly.
    testing::internal::CaptureStdout();
    Config short_line = load("[s]\n" + std::string(40, '=') + "\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(short_line.find_section(String("s"))->size(), 40u);
}

TEST_F(ConfigFile, ManyLinesOfEqualsSignsMakeBoundedTextTogether) {
    // Each line alone stays within its own bound (60 entries of 65 bytes
    // each), but 20 000 of them would make 60 times the file; the file as a
    // whole may make 8 times its size plus 4 KiB, and the rest is ignored
    // with one line.
    std::string lines = "[s]\n";
    for (int i = 0; i < 20000; ++i) {
        lines += 'k';
        lines += std::to_string(10000 + i);
        lines.append(60, '=');
        lines += '\n';
    }
    const std::string file = scratch.write("config.txt", lines);
    Config config;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(config.load(String(file)));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(
        output.rfind("[!] Config::load: \"" + file + "\" makes too many entries from line ", 0), 0u)
        << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
    ASSERT_TRUE(config.has_section(String("s")));
    size_t text = 0;
    for (const auto& [key, value] : *config.find_section(String("s")))
        text += key.size() + value.size();
    EXPECT_LE(text, 8 * lines.size() + 4096);
    EXPECT_GT(text, 4 * lines.size());  // the lines before the bound were read
}

TEST_F(ConfigFile, LoadingMergesIntoWhatIsHeld) {
    Config config;
    EXPECT_TRUE(config.load(String(scratch.write("one.txt", "[s]\na = 1\n"))));
    EXPECT_TRUE(config.load(String(scratch.write("two.txt", "[s]\na = 2\nb = 3\n[t]\n"))));
    EXPECT_EQ(entries(config, "s"), (Entries{{"a", "1"}, {"b", "3"}}));
    EXPECT_TRUE(config.has_section(String("t")));
}

TEST_F(ConfigFile, WhatCannotBeLoaded) {
    Config config = load("[s]\na = 1\n");
    EXPECT_FALSE(config.load(String(scratch.file("missing.txt"))));
    EXPECT_FALSE(config.load(String(scratch.path.string())));  // a directory
    EXPECT_FALSE(config.load(String()));
    // Opening a FIFO would block until a writer came; a device may not end.
    const std::string fifo = scratch.fifo("fifo.txt");
    ASSERT_FALSE(fifo.empty());
    EXPECT_FALSE(config.load(String(fifo)));
    EXPECT_FALSE(config.load(String("/dev/zero")));
    EXPECT_EQ(entries(config, "s"), (Entries{{"a", "1"}}));

    Config empty = load("");
    EXPECT_EQ(empty.find_section(String("")), nullptr);
    EXPECT_FALSE(empty.has_section(String("")));
}

TEST_F(ConfigFile, Lookups) {
    Config config = load("[pipeline]\nswap buffers = 1\n");
    EXPECT_TRUE(config.has_key(String("pipeline"), String("swap buffers")));
    EXPECT_FALSE(config.has_key(String("pipeline"), String("vsync")));
    EXPECT_FALSE(config.has_key(String("nothing"), String("vsync")));
    EXPECT_EQ(config.find_section(String("nothing")), nullptr);

    testing::internal::CaptureStdout();
    String found = config.get(String("pipeline"), String("swap buffers"));
    String missing = config.get(String("pipeline"), String("vsync"));
    String no_section = config.get(String("key bindings"), String("ESC"));
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "[!] Could not find key [pipeline] vsync\n[!] Could not find key [key bindings] ESC\n");
    EXPECT_EQ(found.to_std_string(), "1");
    EXPECT_TRUE(missing.is_null());
    EXPECT_EQ(missing.to_int(), 0);
    EXPECT_TRUE(no_section.is_null());
}
