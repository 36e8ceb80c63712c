#include "core/String.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string bytes(const String& s) { return s.to_std_string(); }

std::vector<std::string> fields(const String& text, const String& delimiter) {
    std::vector<std::string> out;
    for (const String& field : text.split(delimiter)) out.push_back(bytes(field));
    return out;
}

}  // namespace

TEST(String, NullAndEmptyAreEqualButOnlyNullIsNull) {
    String null;
    String empty("");
    EXPECT_TRUE(null.is_null());
    EXPECT_EQ(null.size(), 0u);
    EXPECT_EQ(null.c_str(), nullptr);
    EXPECT_FALSE(empty.is_null());
    EXPECT_EQ(empty.size(), 0u);
    ASSERT_NE(empty.c_str(), nullptr);
    EXPECT_EQ(empty.c_str()[0], '\0');
    EXPECT_TRUE(null == empty);
    EXPECT_FALSE(null < empty || empty < null);

    // Copies and assignments of the null String own a block.
    String copy(null);
    EXPECT_FALSE(copy.is_null());
    String assigned("x");
    assigned = null;
    EXPECT_FALSE(assigned.is_null());
    EXPECT_EQ(assigned.size(), 0u);
    EXPECT_EQ(bytes(null + null), "");
    EXPECT_FALSE((null + null).is_null());
}

TEST(String, Construction) {
    EXPECT_EQ(bytes(String("abc")), "abc");
    EXPECT_EQ(bytes(String(String("abcdef"), 3)), "abc");
    EXPECT_EQ(bytes(String(String("ab"), 10)), "ab");  // never reads past the source
    EXPECT_TRUE(String(static_cast<const char*>(nullptr)).is_null());
    String nul('\0');
    EXPECT_EQ(nul.size(), 1u);
    EXPECT_EQ(nul.at(0), '\0');
    EXPECT_EQ(nul.at(1), '\0');  // the terminating NUL
    EXPECT_EQ(bytes(String(String("ab"), String("cd"))), "abcd");
    std::string with_nul("a\0b", 3);
    EXPECT_EQ(String(with_nul).size(), 3u);
    EXPECT_EQ(String(with_nul).to_std_string(), with_nul);
}

TEST(String, AssignmentAndAppending) {
    String s("ab");
    s = s;
    EXPECT_EQ(bytes(s), "ab");
    s += s;
    EXPECT_EQ(bytes(s), "abab");
    s += String();
    EXPECT_EQ(bytes(s), "abab");
    EXPECT_EQ(bytes(String("x") + String("y") + String("z")), "xyz");
    s[0] = 'z';
    EXPECT_EQ(bytes(s), "zbab");
}

TEST(String, Order) {
    struct Case {
        std::string a, b;
        int order;  // sign of a compared with b
    };
    const std::vector<Case> cases = {
        {"abc", "abd", -1}, {"abc", "abcd", -1},
        {"abd", "abcd", 1}, {"B", "a", -1},
        {"ab", "b", -1},    {"a", "a b", -1},
        {"\xE9", "z", 1},   {"", "a", -1},
        {"abc", "abc", 0},  {std::string("a\0b", 3), std::string("a\0c", 3), -1},
        {"Z", "a", -1},
    };
    for (const Case& c : cases) {
        String a(c.a), b(c.b);
        SCOPED_TRACE(c.a + " vs " + c.b);
        EXPECT_EQ(a == b, c.order == 0);
        EXPECT_EQ(a != b, c.order != 0);
        EXPECT_EQ(a < b, c.order < 0);
        EXPECT_EQ(a > b, c.order > 0);
        EXPECT_EQ(a <= b, c.order <= 0);
        EXPECT_EQ(a >= b, c.order >= 0);
        EXPECT_EQ(b<a, c.order> 0);
    }
    // The null String comes before every non-empty one.
    EXPECT_TRUE(String() < String("a"));

    // The order of every name-keyed map.
    std::map<String, int> map{
        {String("abc"), 0}, {String("a"), 0}, {String("B"), 0}, {String("ab"), 0}};
    std::vector<std::string> keys;
    for (auto& entry : map) keys.push_back(bytes(entry.first));
    EXPECT_EQ(keys, (std::vector<std::string>{"B", "a", "ab", "abc"}));
}

TEST(String, CaseChangesOnlyAsciiLetters) {
    String s(std::string("aZ09_\xE9\xFFz"));
    s.to_upper();
    EXPECT_EQ(bytes(s), "AZ09_\xE9\xFFZ");
    s.to_lower();
    EXPECT_EQ(bytes(s), "az09_\xE9\xFFz");
    String null;
    null.to_upper();
    EXPECT_TRUE(null.is_null());
}

TEST(String, StreamOutputWritesEveryByte) {
    std::ostringstream out;
    out << String(std::string("a\0b", 3)) << String() << String("") << String("c");
    EXPECT_EQ(out.str(), std::string("a\0bc", 4));
}

TEST(String, GetlineReadsLinesThenNull) {
    std::istringstream in("key = 1\nnext");
    String line;
    line.getline(in, '\n');
    EXPECT_EQ(bytes(line), "key = 1");
    EXPECT_FALSE(in.eof());
    line.getline(in, '\n');
    EXPECT_EQ(bytes(line), "next");
    EXPECT_TRUE(in.eof());
    line.getline(in, '\n');
    EXPECT_TRUE(line.is_null());
}

TEST(String, GetlineEdgeCases) {
    std::istringstream in(std::string("a\0b\n\nc\r\n;x;y", 13));
    String line;
    line.getline(in, '\n');
    EXPECT_EQ(bytes(line), "a");  // a NUL ends the line
    line.getline(in, '\n');
    EXPECT_EQ(bytes(line), "b");  // the rest of it
    line.getline(in, '\n');
    EXPECT_TRUE(line.is_null());  // an empty line
    line.getline(in, '\n');
    EXPECT_EQ(bytes(line), "c\r");  // a carriage return is an ordinary byte
    line.getline(in, ';');
    EXPECT_TRUE(line.is_null());
    line.getline(in, ';');
    EXPECT_EQ(bytes(line), "x");
    line.getline(in, ';');
    EXPECT_EQ(bytes(line), "y");
}

TEST(String, GetlineOfAVeryLongLineIsExact) {
    std::string text(1 << 20, 'q');
    std::istringstream in(text + "\nrest");
    String line;
    line.getline(in, '\n');
    EXPECT_EQ(line.size(), text.size());
    EXPECT_EQ(bytes(line), text);
    EXPECT_EQ(line.c_str()[line.size()], '\0');
}

TEST(String, ReadRestTakesEverything) {
    std::istringstream in(std::string("ab\ncd\0e", 7));
    String first;
    first.getline(in, '\n');
    String rest("old");
    read_rest(in, rest);
    EXPECT_EQ(rest.to_std_string(), std::string("cd\0e", 4));
    read_rest(in, rest);
    EXPECT_TRUE(rest.is_null());
}

TEST(String, Split) {
    struct Case {
        std::string text, delimiter;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"1280,720", ",", {"1280", "720"}},
        {",a", ",", {"", "a"}},
        {"a,,b", ",", {"a", "", "b"}},
        {"a,", ",", {"a"}},
        {"a,b,", ",", {"a", "b"}},
        {",", ",", {""}},
        {"", ",", {}},
        {"ab", "abc", {"ab"}},
        {"abc", "abc", {""}},
        {"aaaa", "aa", {"", ""}},
        {"aaa", "aa", {"", "a"}},
        {"x--y--z", "--", {"x", "y", "z"}},
        {"abc", "", {"abc"}},
        {"", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "' at '" + c.delimiter + "'");
        EXPECT_EQ(fields(String(c.text), String(c.delimiter)), c.fields);
    }
    EXPECT_TRUE(String().split(String(",")).empty());
}

TEST(String, Replace) {
    EXPECT_EQ(bytes(String("a,b,c").replace(String(","), String(";"))), "a;b;c");
    EXPECT_EQ(bytes(String("a,,b").replace(String(","), String("--"))), "a----b");
    // A final occurrence leaves no empty last field, so it is dropped.
    EXPECT_EQ(bytes(String("a,b,").replace(String(","), String(";"))), "a;b");
    EXPECT_EQ(bytes(String("none").replace(String(","), String(";"))), "none");
    EXPECT_TRUE(String("").replace(String(","), String(";")).is_null());
}
