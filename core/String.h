// The engine's byte string. Every String but the null one owns one block of
// exactly length + 1 bytes ending in a NUL; the length, not a NUL, decides
// comparison, output and splitting. Order: bytes of the common prefix as
// unsigned, then the shorter first; the null String equals "".
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class String {
public:
    // The null String: no block, is_null.
    String();
    // The characters up to the first NUL; "" gives a non-null empty String,
    // a null pointer the null String.
    String(const char* text);
    // A copy of the null String is a non-null empty String.
    String(const String& other);
    // The first count characters of other (at most its length).
    String(const String& other, unsigned int count);
    explicit String(char c);
    // first followed by second.
    String(const String& first, const String& second);
    String(const std::string& text);
    ~String();

    String& operator=(const String& other);
    String& operator+=(const String& other);

    // Null for the null String.
    const char* c_str() const;
    unsigned int size() const;
    // index may equal the length (the NUL); not checked.
    char& operator[](unsigned int index);
    char at(unsigned int index) const;
    bool is_null() const;
    std::string to_std_string() const;
    void to_upper();
    void to_lower();

    bool operator==(const String& other) const;
    bool operator!=(const String& other) const;
    bool operator<(const String& other) const;
    bool operator>(const String& other) const;
    bool operator<=(const String& other) const;
    bool operator>=(const String& other) const;

    // Replaces the content with the stream's next line: every character up to
    // the delimiter or a NUL (consumed, not stored) or the end of the stream.
    // Nothing read leaves the null String.
    std::istream& getline(std::istream& stream, char delimiter);
    // The fields between occurrences of delimiter; a final delimiter leaves no
    // empty last field. An empty delimiter gives the whole String as one
    // field (none for an empty String).
    std::vector<String> split(const String& delimiter) const;
    // The fields of split(find) joined with with.
    String replace(const String& find, const String& with) const;

    // Lenient readers: every byte that is not a digit (or, for to_double, the
    // first '.') is skipped; no sign, no exponent. to_int wraps modulo 2^32.
    int to_int() const;
    double to_double() const;
    float to_float() const;

    static String from_int(int value);
    // The shortest decimal text with a point from which a correctly rounded
    // reader gets the same value back (to_double, which adds the fraction's
    // digits as the lenient readers do, may land one step off), at least one
    // digit on each side: "2.0", "0.05", "-123.45"; -0.0
    // gives "0.0". Not-a-number gives "nan", infinities "inf" and "-inf".
    static String from_double(double value);
    static String from_float(float value);

private:
    friend std::istream& read_rest(std::istream& stream, String& text);

    // Replaces the content with bytes of the stream until a read fails, or,
    // for a line, until the delimiter or a NUL (consumed, not stored).
    std::istream& read_from(std::istream& stream, bool line, char delimiter);
    // Frees the own block and takes block (length + 1 bytes, NUL last).
    void adopt(char* block, unsigned int length);

    char* begin;
    char* end;
};

String operator+(const String& left, const String& right);
// Writes exactly the String's bytes, embedded NULs included.
std::ostream& operator<<(std::ostream& stream, const String& text);
// Replaces the content with every remaining character of the stream.
std::istream& read_rest(std::istream& stream, String& text);
