// Sectioned key = value text files ("config.txt", "factory.txt").
//
// Syntax, line by line: ';' before any '[' or '=' starts a comment; "[name]"
// makes the section named by the bytes between '[' and the first ']'
// (verbatim) current, the rest of the line ignored; each '=' of a line makes
// one entry: key = the trimmed text before it, value = the trimmed text after
// it to the line end. Entries above the first header go to the section "".
// The first value of a key wins. Sections and keys are kept in String order.
// The entries of one line may hold at most 8 times the line's length plus
// 4096 bytes of text together; the rest of a line past that is ignored with
// a message.
#pragma once

#include "core/String.h"

#include <map>

class Config {
public:
    using Section = std::map<String, String>;

    // Adds the file's sections and keys to what is held. False, with nothing
    // changed, when the path is no readable regular file.
    bool load(const String& path);
    // A copy of the value; the null String and a message when missing.
    String get(const String& section, const String& key) const;
    // Null when absent (no message); valid while the Config lives.
    const Section* find_section(const String& section) const;
    bool has_section(const String& section) const;
    bool has_key(const String& section, const String& key) const;

private:
    std::map<String, Section> sections;
};

// The text without leading and trailing blanks (' ' and '\t'); a text of
// blanks only comes back unchanged.
String trim(const String& text);
