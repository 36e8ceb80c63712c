#include "core/String.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>
#include <new>
#include <ostream>

namespace {

// A block for length characters, which the caller fills, and the NUL. Lengths
// are 32-bit counts: a longer text fails like an allocation.
char* new_block(size_t length) {
    if (length > std::numeric_limits<unsigned int>::max()) throw std::bad_alloc();
    char* block = new char[length + 1];
    block[length] = '\0';
    return block;
}

void copy_bytes(char* to, const char* from, size_t count) {
    if (count != 0) std::memcpy(to, from, count);
}

// memcmp of the common prefix, then the shorter first.
int compare(const String& a, const String& b) {
    unsigned int la = a.size();
    unsigned int lb = b.size();
    unsigned int common = la < lb ? la : lb;
    int c = common != 0 ? std::memcmp(a.c_str(), b.c_str(), common) : 0;
    if (c != 0) return c;
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

// Digits of text[from, to) read from the last to the first: each adds
// digit x place, the place growing tenfold per digit. Zero digits add
// nothing (a place grown to infinity must not turn the sum into NaN).
void read_digits(const char* from, const char* to, long double& value, long double& place) {
    for (const char* p = to; p != from;) {
        --p;
        if (*p < '0' || *p > '9') continue;
        if (*p != '0') value += (*p - '0') * place;
        place *= 10;
    }
}

// Fraction digits beyond this many lie far below any double's precision;
// dropping them keeps the place value finite.
constexpr unsigned int fraction_digits_read = 400;

template <typename Float>
String float_text(Float value) {
    if (std::isnan(value)) return String("nan");
    // -0.0 is not below 0 and is written without a sign.
    std::string text = value < 0 ? "-" : "";
    Float magnitude = value < 0 ? -value : (value == 0 ? Float(0) : value);
    char digits[400];
    auto written =
        std::to_chars(digits, digits + sizeof digits, magnitude, std::chars_format::fixed);
    text.append(digits, written.ptr);
    if (std::isfinite(value) && text.find('.') == std::string::npos) text += ".0";
    return String(text);
}

}  // namespace

String::String() : begin(nullptr), end(nullptr) {}

String::String(const char* text) : String() {
    if (!text) return;
    size_t length = std::strlen(text);
    adopt(new_block(length), static_cast<unsigned int>(length));
    copy_bytes(begin, text, length);
}

String::String(const String& other) : String(other, other.size()) {}

String::String(const String& other, unsigned int count) : String() {
    if (count > other.size()) count = other.size();
    adopt(new_block(count), count);
    copy_bytes(begin, other.begin, count);
}

String::String(char c) : String() {
    adopt(new_block(1), 1);
    begin[0] = c;
}

String::String(const String& first, const String& second) : String() {
    size_t length = static_cast<size_t>(first.size()) + second.size();
    adopt(new_block(length), static_cast<unsigned int>(length));
    copy_bytes(begin, first.begin, first.size());
    copy_bytes(begin + first.size(), second.begin, second.size());
}

String::String(const std::string& text) : String() {
    adopt(new_block(text.size()), static_cast<unsigned int>(text.size()));
    copy_bytes(begin, text.data(), text.size());
}

String::~String() { adopt(nullptr, 0); }

void String::adopt(char* block, unsigned int length) {
    delete[] begin;
    begin = block;
    end = block ? block + length : nullptr;
}

String& String::operator=(const String& other) {
    if (this == &other) return *this;
    String copy(other);
    adopt(copy.begin, copy.size());
    copy.begin = copy.end = nullptr;
    return *this;
}

String& String::operator+=(const String& other) {
    String joined(*this, other);
    adopt(joined.begin, joined.size());
    joined.begin = joined.end = nullptr;
    return *this;
}

String operator+(const String& left, const String& right) { return String(left, right); }

const char* String::c_str() const { return begin; }

unsigned int String::size() const { return static_cast<unsigned int>(end - begin); }

char& String::operator[](unsigned int index) { return begin[index]; }

char String::at(unsigned int index) const { return begin[index]; }

bool String::is_null() const { return begin == nullptr; }

std::string String::to_std_string() const {
    return begin ? std::string(begin, size()) : std::string();
}

void String::to_upper() {
    for (char* p = begin; p != end; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
}

void String::to_lower() {
    for (char* p = begin; p != end; ++p)
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + 32);
}

bool String::operator==(const String& other) const { return compare(*this, other) == 0; }
bool String::operator!=(const String& other) const { return compare(*this, other) != 0; }
bool String::operator<(const String& other) const { return compare(*this, other) < 0; }
bool String::operator>(const String& other) const { return compare(*this, other) > 0; }
bool String::operator<=(const String& other) const { return compare(*this, other) <= 0; }
bool String::operator>=(const String& other) const { return compare(*this, other) >= 0; }

std::ostream& operator<<(std::ostream& stream, const String& text) {
    if (text.size() != 0) stream.write(text.c_str(), text.size());
    return stream;
}

// The bytes gather in a growing buffer, so the exact-size block is made once.
std::istream& String::read_from(std::istream& stream, bool line, char delimiter) {
    adopt(nullptr, 0);
    std::string gathered;
    while (stream.good()) {
        int c = stream.get();
        if (c == std::char_traits<char>::eof()) break;
        if (line && (static_cast<char>(c) == delimiter || c == 0)) break;
        gathered.push_back(static_cast<char>(c));
    }
    if (!gathered.empty()) {
        adopt(new_block(gathered.size()), static_cast<unsigned int>(gathered.size()));
        copy_bytes(begin, gathered.data(), gathered.size());
    }
    return stream;
}

std::istream& String::getline(std::istream& stream, char delimiter) {
    return read_from(stream, true, delimiter);
}

std::istream& read_rest(std::istream& stream, String& text) {
    return text.read_from(stream, false, 0);
}

std::vector<String> String::split(const String& delimiter) const {
    std::vector<String> fields;
    unsigned int ls = size();
    unsigned int ld = delimiter.size();
    unsigned int start = 0;
    if (ld != 0 && ls >= ld) {
        for (unsigned int i = 0; i <= ls - ld; ++i) {
            if (i < start || std::memcmp(begin + i, delimiter.begin, ld) != 0) continue;
            fields.push_back(String(std::string(begin + start, i - start)));
            start = i + ld;
        }
    }
    if (start < ls) fields.push_back(String(std::string(begin + start, ls - start)));
    return fields;
}

String String::replace(const String& find, const String& with) const {
    std::vector<String> fields = split(find);
    String result;
    for (size_t i = 0; i < fields.size(); ++i) {
        result += fields[i];
        if (i + 1 < fields.size()) result += with;
    }
    return result;
}

int String::to_int() const {
    unsigned int value = 0;
    unsigned int place = 1;
    for (const char* p = end; p != begin;) {
        --p;
        if (*p < '0' || *p > '9') continue;
        value += static_cast<unsigned int>(*p - '0') * place;
        place *= 10;
    }
    // Modulo 2^32, read as signed.
    return static_cast<int>(value);
}

double String::to_double() const {
    if (!begin) return 0.0;
    const char* point = static_cast<const char*>(std::memchr(begin, '.', size()));
    long double whole = 0;
    long double whole_place = 1;
    read_digits(begin, point ? point : end, whole, whole_place);
    if (!point) return static_cast<double>(whole);
    // Only the leading fraction digits count; find where they end.
    const char* fraction_end = point + 1;
    for (unsigned int digits = 0; fraction_end != end; ++fraction_end) {
        if (*fraction_end < '0' || *fraction_end > '9') continue;
        if (digits++ == fraction_digits_read) break;
    }
    long double fraction = 0;
    long double fraction_place = 1;
    read_digits(point + 1, fraction_end, fraction, fraction_place);
    if (fraction_place > 1) return static_cast<double>(whole + fraction / fraction_place);
    return static_cast<double>(whole);
}

float String::to_float() const { return static_cast<float>(to_double()); }

String String::from_int(int value) {
    unsigned int magnitude =
        value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    char digits[12];
    char* p = digits + sizeof digits;
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    return String(std::string(p, digits + sizeof digits));
}

String String::from_double(double value) { return float_text(value); }

String String::from_float(float value) { return float_text(value); }
