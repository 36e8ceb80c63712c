#include "core/Config.h"

#include "core/RegularFile.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Each '=' of a line makes an entry holding about the whole line, so a line
// of many '=' would make text quadratic in its length. The text one line may
// make is bounded by this many times its length plus the allowance, and the
// text the whole file may make by as many times its size plus one allowance
// (else many short lines would each spend the allowance); an ordinary file
// stays far below both.
constexpr uint64_t text_per_byte = 8;
constexpr uint64_t text_allowance = 4096;

// The bytes [from, to) of text.
String slice(const String& text, unsigned int from, unsigned int to) {
    return String(std::string(text.c_str() + from, to - from));
}

// Reads the whole file as the platform's text mode does: a carriage return
// directly before a line feed is dropped, a lone one stays. The bytes move in
// blocks, never one at a time: a hostile file may be megabytes long.
bool read_text_file(const String& path, std::string& text) {
    if (!names_regular_file(path.c_str())) return false;
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) return false;
    std::ostringstream read;
    read << file.rdbuf();  // nothing to copy (an empty file) fails read, no error
    if (file.bad()) return false;
    const std::string raw = read.str();
    text.clear();
    text.reserve(raw.size());
    size_t from = 0;
    for (size_t pair = raw.find("\r\n"); pair != std::string::npos;
         pair = raw.find("\r\n", pair + 1)) {
        text.append(raw, from, pair - from);
        from = pair + 1;
    }
    text.append(raw, from);
    return true;
}

}  // namespace

String trim(const String& text) {
    unsigned int length = text.size();
    unsigned int first = 0;
    while (first < length && is_blank(text.at(first))) ++first;
    if (first == length) return text;
    unsigned int last = length - 1;
    while (is_blank(text.at(last))) --last;
    return slice(text, first, last + 1);
}

bool Config::load(const String& path) {
    std::string text;
    if (!read_text_file(path, text)) return false;
    Section* current = nullptr;
    unsigned int line_number = 0;
    const uint64_t file_text_allowed = text_per_byte * text.size() + text_allowance;
    uint64_t file_text_made = 0;
    // A line ends at a line feed or a NUL; the text after the last one is a
    // line too, empty or not.
    const std::string_view ends("\n\0", 2);
    for (size_t start = 0; start != std::string::npos;) {
        const size_t end = text.find_first_of(ends, start);
        const String line(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : end + 1;
        ++line_number;
        enum { plain, header, value } mode = plain;
        unsigned int length = line.size();
        unsigned int header_start = 0;
        const uint64_t text_allowed = text_per_byte * length + text_allowance;
        uint64_t text_made = 0;
        for (unsigned int p = 0; p < length; ++p) {
            char c = line.at(p);
            if (mode == plain && c == ';') break;
            if (mode == plain && c == '[') {
                mode = header;
                header_start = p + 1;
            } else if (mode == header && c == ']') {
                current = &sections[slice(line, header_start, p)];
                break;
            } else if (mode != header && c == '=') {
                // Key and value together hold every byte of the line but this '='.
                text_made += length - 1;
                if (text_made > text_allowed) {
                    std::cout << "[!] Config::load: line " << line_number << " of \"" << path
                              << "\" makes too many entries; the rest of it is ignored\n";
                    break;
                }
                file_text_made += length - 1;
                if (file_text_made > file_text_allowed) {
                    std::cout << "[!] Config::load: \"" << path
                              << "\" makes too many entries from line " << line_number
                              << " on; the rest of it is ignored\n";
                    return true;
                }
                if (!current) current = &sections[String("")];
                // emplace keeps the first value of a repeated key.
                current->emplace(trim(String(line, p)), trim(slice(line, p + 1, length)));
                mode = value;
            }
        }
    }
    return true;
}

String Config::get(const String& section, const String& key) const {
    auto found = sections.find(section);
    if (found != sections.end()) {
        auto entry = found->second.find(key);
        if (entry != found->second.end()) return entry->second;
    }
    std::cout << "[!] Could not find key [" << section << "] " << key << "\n";
    return String();
}

const Config::Section* Config::find_section(const String& section) const {
    auto found = sections.find(section);
    return found == sections.end() ? nullptr : &found->second;
}

bool Config::has_section(const String& section) const { return find_section(section) != nullptr; }

bool Config::has_key(const String& section, const String& key) const {
    const Section* found = find_section(section);
    return found && found->count(key) != 0;
}
