#pragma once
// Byte string of the host (UTF-8 text). Copies own their bytes.

#include <maya/MStatus.h>
#include <maya/MTypes.h>

#include <iosfwd>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MString {
public:
    MString();
    MString(const char* charString);
    /// Takes `charLength` bytes; a negative length or a null pointer gives an empty string.
    MString(const char* charString, int charLength);
    MString(const wchar_t* charString);
    MString(const MString& other);
    ~MString();

    MString& operator+=(const MString& other);
    MString& operator+=(const char* other);
    MString& operator+=(double other);
    MString& operator+=(int other);
    MString& operator+=(unsigned int other);
    MString& operator+=(float other);
    MString& operator=(const MString& other);
    MString& operator=(const char* other);
    MString& operator=(double value);
    /// Exact, case-sensitive byte comparison.
    bool operator==(const MString& other) const;
    bool operator==(const char* other) const;
    bool operator!=(const MString& other) const;
    bool operator!=(const char* other) const;
    MString operator+(const MString& other) const;
    MString operator+(const char* other) const;
    MString operator+(double value) const;

    MStatus set(const char* charString);
    MStatus set(const char* charString, int charLength);
    /// Shortest text that reads back as the same double.
    MStatus set(double value);
    /// Fixed notation with `precision` digits after the point (clamped to 0..100).
    MStatus set(double value, int precision);
    /// Zero-terminated bytes; valid until the string changes. Never null.
    const char* asChar() const;
    const char* asChar(int& charLength) const;
    /// Length in bytes.
    unsigned int length() const;
    /// Length in UTF-8 characters.
    unsigned int numChars() const;
    void clear();
    bool isEmpty() const;
    /// First byte position of `c`, or -1.
    int index(char c) const;
    /// Last byte position of `c`, or -1.
    int rindex(char c) const;
    /// First character position (UTF-8) of the argument, or -1.
    int indexW(char c) const;
    int indexW(wchar_t c) const;
    int indexW(const MString& text) const;
    /// Clears `array` and fills it with the non-empty pieces between occurrences of the
    /// separator, in order: runs of separators and leading or trailing separators give no
    /// empty pieces.
    MStatus split(char separator, MStringArray& array) const;
    /// As split(char) for a separator below 128; other separators fail with kInvalidParameter.
    MStatus split(wchar_t separator, MStringArray& array) const;
    /// Bytes `start` to `end`, both inclusive; the range is clipped to the string, and an
    /// empty range gives an empty string.
    MString substring(int start, int end) const;
    /// As substring, with UTF-8 character positions.
    MString substringW(int start, int end) const;
    /// ASCII case mapping.
    MString& toUpperCase();
    MString& toLowerCase();

    /// The is* tests accept the whole text (surrounding white space allowed) as a number of
    /// that type in range. The as* conversions read the leading number of the text as C's
    /// atoi/atof do (white space skipped first, 0 when there is none), independent of the
    /// locale; integers out of range are clamped to the type's range.
    bool isShort() const;
    short asShort() const;
    bool isInt() const;
    int asInt() const;
    bool isUnsigned() const;
    unsigned int asUnsigned() const;
    bool isFloat() const;
    float asFloat() const;
    bool isDouble() const;
    /// Accepts what strtod accepts: exponents, "inf", "infinity", "nan", hexadecimal.
    double asDouble() const;

    friend MString operator+(const char* left, const MString& right);

private:
    void assign(const char* bytes, unsigned int count);
    void append(const char* bytes, unsigned int count);

    char* data_;
    unsigned int length_;
    unsigned int capacity_;
};

MString operator+(const char* left, const MString& right);
std::ostream& operator<<(std::ostream& out, const MString& text);

OPENMAYA_NAMESPACE_CLOSE
