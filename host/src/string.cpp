#include <maya/MString.h>
#include <maya/MStringArray.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <ostream>
#include <string>

#ifndef BVHIO_NUMBER_FALLBACK
#error "the build sets BVHIO_NUMBER_FALLBACK: 0 for std::from_chars, 1 for the C library's strtod"
#endif
#if BVHIO_NUMBER_FALLBACK
#include <locale.h>
#if defined(__APPLE__)
#include <xlocale.h>
#endif
#endif

namespace {

char gEmpty[1] = {'\0'};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Reads an optionally signed decimal integer at [p, end) after white space, as strtoll
/// does, saturating at the int64 range. `consumed` is false when no digit was read.
int64_t readInteger(const char* p, const char* end, const char*& stop, bool& consumed) {
    while (p < end && isSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    consumed = false;
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
    while (p < end && isDigit(*p)) {
        consumed = true;
        const uint64_t digit = uint64_t(*p - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
        } else {
            magnitude = magnitude * 10 + digit;
        }
        ++p;
    }
    stop = p;
    if (!consumed) return 0;
    if (negative) {
        return magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude);
    }
    return int64_t(magnitude);
}

#if BVHIO_NUMBER_FALLBACK

/// strtod in the "C" locale, whatever locale the process has set.
#if defined(_WIN32)
double strtodInCLocale(const char* text, char** stop) {
    static const _locale_t cLocale = _create_locale(LC_ALL, "C");
    return _strtod_l(text, stop, cLocale);
}
#else
double strtodInCLocale(const char* text, char** stop) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const locale_t previous = uselocale(cLocale);
    const double value = std::strtod(text, stop);
    uselocale(previous);
    return value;
}
#endif

/// Reads the leading floating-point number after white space as strtod does in the "C"
/// locale. `stop` is where reading ended (the start when nothing was read). The text ends
/// with a zero byte at `end`, as an MString's does.
double readDouble(const char* start, const char*, const char*& stop) {
    char* last = nullptr;
    const double value = strtodInCLocale(start, &last);
    stop = last;
    return value;
}

#else

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

/// For a number text that std::from_chars found out of range: true when it is too large
/// (the result is then infinite), false when too small (the result is then 0). Decides by
/// the position of the first significant digit and the exponent.
bool overflows(const char* first, const char* last, bool hex) {
    long long magnitude = 0;  // decimal (or hexadecimal) digits before the point
    bool seenPoint = false;
    bool seenSignificant = false;
    long long leadingZerosAfterPoint = 0;
    const char* p = first;
    const char exponentChar = hex ? 'p' : 'e';
    for (; p < last; ++p) {
        const char c = *p;
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if ((c | 0x20) == exponentChar) break;
        if (!(hex ? isHexDigit(c) : isDigit(c))) break;
        if (c != '0') seenSignificant = true;
        if (!seenPoint) {
            if (seenSignificant) ++magnitude;
        } else if (!seenSignificant) {
            ++leadingZerosAfterPoint;
        }
    }
    if (magnitude == 0) magnitude = -leadingZerosAfterPoint;
    long long exponent = 0;
    if (p < last && (*p | 0x20) == exponentChar) {
        const char* stop = nullptr;
        bool consumed = false;
        exponent = readInteger(p + 1, last, stop, consumed);
        if (exponent > (1LL << 40)) exponent = 1LL << 40;
        if (exponent < -(1LL << 40)) exponent = -(1LL << 40);
    }
    // Hexadecimal digits count four binary places against a binary exponent.
    const long long scale = hex ? magnitude * 4 + exponent : magnitude + exponent;
    return scale > 0;
}

/// Reads the leading floating-point number after white space as strtod does in the "C"
/// locale. `stop` is where reading ended (the start when nothing was read).
double readDouble(const char* start, const char* end, const char*& stop) {
    const char* p = start;
    stop = start;
    while (p < end && isSpace(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p == '+' || *p == '-') return 0.0;
    double value = 0.0;
    std::from_chars_result result{};
    bool hex = false;
    if (end - p >= 2 && p[0] == '0' && (p[1] | 0x20) == 'x' &&
        ((end - p >= 3 && isHexDigit(p[2])) || (end - p >= 4 && p[2] == '.' && isHexDigit(p[3])))) {
        hex = true;
        result = std::from_chars(p + 2, end, value, std::chars_format::hex);
    } else {
        result = std::from_chars(p, end, value, std::chars_format::general);
    }
    if (result.ec == std::errc::invalid_argument) return 0.0;
    if (result.ec == std::errc::result_out_of_range) {
        value = overflows(hex ? p + 2 : p, result.ptr, hex) ? HUGE_VAL : 0.0;
    }
    stop = result.ptr;
    return negative ? -value : value;
}

#endif

bool onlySpaceFrom(const char* p, const char* end) {
    while (p < end && isSpace(*p)) ++p;
    return p == end;
}

/// True when the whole text (white space around it allowed) is one integer within
/// [low, high].
bool wholeInteger(const char* p, const char* end, long long low, long long high) {
    const char* stop = nullptr;
    bool consumed = false;
    const int64_t v = readInteger(p, end, stop, consumed);
    if (!consumed || !onlySpaceFrom(stop, end)) return false;
    // A saturated read of a longer number is out of range as well.
    return v >= low && v <= high && v != INT64_MAX && v != INT64_MIN;
}

int clampToInt(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

/// Byte offset of UTF-8 character `index`, or `length` when the text is shorter.
unsigned int byteOfChar(const char* s, unsigned int length, int index) {
    unsigned int byte = 0;
    int count = 0;
    while (byte < length && count < index) {
        ++byte;
        while (byte < length && (static_cast<unsigned char>(s[byte]) & 0xC0) == 0x80) ++byte;
        ++count;
    }
    return byte;
}

int charOfByte(const char* s, unsigned int byte) {
    int count = 0;
    for (unsigned int i = 0; i < byte; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++count;
    }
    return count;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += '?';
    }
}

}  // namespace

MString::MString() : data_(gEmpty), length_(0), capacity_(0) {}

MString::MString(const char* charString) : MString() {
    if (charString != nullptr) assign(charString, unsigned(std::strlen(charString)));
}

MString::MString(const char* charString, int charLength) : MString() {
    if (charString != nullptr && charLength > 0) assign(charString, unsigned(charLength));
}

MString::MString(const wchar_t* charString) : MString() {
    if (charString == nullptr) return;
    std::string utf8;
    for (const wchar_t* p = charString; *p != 0; ++p) appendUtf8(utf8, uint32_t(*p));
    assign(utf8.data(), unsigned(utf8.size()));
}

MString::MString(const MString& other) : MString() { assign(other.data_, other.length_); }

MString::~MString() {
    if (capacity_ != 0) delete[] data_;
}

void MString::assign(const char* bytes, unsigned int count) {
    if (count == 0) {
        length_ = 0;
        if (capacity_ != 0) data_[0] = '\0';
        return;
    }
    if (count + 1 > capacity_) {
        char* fresh = new char[count + 1];
        if (capacity_ != 0) delete[] data_;
        data_ = fresh;
        capacity_ = count + 1;
    }
    std::memmove(data_, bytes, count);
    data_[count] = '\0';
    length_ = count;
}

void MString::append(const char* bytes, unsigned int count) {
    if (count == 0) return;
    const unsigned int needed = length_ + count + 1;
    if (needed > capacity_) {
        unsigned int grown = capacity_ < 16 ? 16 : capacity_ * 2;
        if (grown < needed) grown = needed;
        char* fresh = new char[grown];
        std::memcpy(fresh, data_, length_);
        // `bytes` may point into the old buffer: copy before freeing it.
        std::memcpy(fresh + length_, bytes, count);
        if (capacity_ != 0) delete[] data_;
        data_ = fresh;
        capacity_ = grown;
    } else {
        std::memmove(data_ + length_, bytes, count);
    }
    length_ += count;
    data_[length_] = '\0';
}

MString& MString::operator+=(const MString& other) {
    append(other.data_, other.length_);
    return *this;
}

MString& MString::operator+=(const char* other) {
    if (other != nullptr) append(other, unsigned(std::strlen(other)));
    return *this;
}

namespace {

// The shortest text that reads back as the same number.
template <typename Number>
void appendNumber(MString& text, Number value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    text += MString(buffer, static_cast<int>(r.ptr - buffer));
}

}  // namespace

MString& MString::operator+=(double other) {
    appendNumber(*this, other);
    return *this;
}

MString& MString::operator+=(int other) {
    appendNumber(*this, other);
    return *this;
}

MString& MString::operator+=(unsigned int other) {
    appendNumber(*this, other);
    return *this;
}

MString& MString::operator+=(float other) {
    appendNumber(*this, other);
    return *this;
}

MString& MString::operator=(const MString& other) {
    if (this != &other) assign(other.data_, other.length_);
    return *this;
}

MString& MString::operator=(const char* other) {
    set(other);
    return *this;
}

MString& MString::operator=(double value) {
    set(value);
    return *this;
}

bool MString::operator==(const MString& other) const {
    return length_ == other.length_ && std::memcmp(data_, other.data_, length_) == 0;
}

bool MString::operator==(const char* other) const {
    if (other == nullptr) return length_ == 0;
    const size_t n = std::strlen(other);
    return n == length_ && std::memcmp(data_, other, n) == 0;
}

bool MString::operator!=(const MString& other) const { return !(*this == other); }
bool MString::operator!=(const char* other) const { return !(*this == other); }

MString MString::operator+(const MString& other) const {
    MString result(*this);
    result += other;
    return result;
}

MString MString::operator+(const char* other) const {
    MString result(*this);
    result += other;
    return result;
}

MString MString::operator+(double value) const {
    MString result(*this);
    result += value;
    return result;
}

MStatus MString::set(const char* charString) {
    if (charString == nullptr) {
        assign("", 0);
        return MS::kInvalidParameter;
    }
    assign(charString, unsigned(std::strlen(charString)));
    return MS::kSuccess;
}

MStatus MString::set(const char* charString, int charLength) {
    if (charString == nullptr || charLength < 0) {
        assign("", 0);
        return MS::kInvalidParameter;
    }
    assign(charString, unsigned(charLength));
    return MS::kSuccess;
}

MStatus MString::set(double value) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    assign(buffer, unsigned(r.ptr - buffer));
    return MS::kSuccess;
}

MStatus MString::set(double value, int precision) {
    if (precision < 0) precision = 0;
    if (precision > 100) precision = 100;
    // Fixed notation of a large double needs up to 309 digits before the point.
    char buffer[512];
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (r.ec != std::errc()) return set(value);
    assign(buffer, unsigned(r.ptr - buffer));
    return MS::kSuccess;
}

const char* MString::asChar() const { return data_; }

const char* MString::asChar(int& charLength) const {
    charLength = int(length_);
    return data_;
}

unsigned int MString::length() const { return length_; }

unsigned int MString::numChars() const { return unsigned(charOfByte(data_, length_)); }

void MString::clear() { assign("", 0); }

bool MString::isEmpty() const { return length_ == 0; }

int MString::index(char c) const {
    const void* hit = std::memchr(data_, c, length_);
    return hit == nullptr ? -1 : int(static_cast<const char*>(hit) - data_);
}

int MString::rindex(char c) const {
    for (unsigned int i = length_; i > 0; --i) {
        if (data_[i - 1] == c) return int(i - 1);
    }
    return -1;
}

int MString::indexW(char c) const {
    const int byte = index(c);
    return byte < 0 ? -1 : charOfByte(data_, unsigned(byte));
}

int MString::indexW(wchar_t c) const {
    const wchar_t text[2] = {c, 0};
    return indexW(MString(text));
}

int MString::indexW(const MString& text) const {
    if (text.length_ == 0) return 0;
    if (text.length_ > length_) return -1;
    for (unsigned int i = 0; i + text.length_ <= length_; ++i) {
        if (std::memcmp(data_ + i, text.data_, text.length_) == 0) {
            return charOfByte(data_, i);
        }
    }
    return -1;
}

MStatus MString::split(char separator, MStringArray& array) const {
    array.clear();
    unsigned int start = 0;
    for (unsigned int i = 0; i <= length_; ++i) {
        if (i == length_ || data_[i] == separator) {
            if (i > start) array.append(MString(data_ + start, int(i - start)));
            start = i + 1;
        }
    }
    return MS::kSuccess;
}

MStatus MString::split(wchar_t separator, MStringArray& array) const {
    // wchar_t is unsigned on some systems (Windows), signed on others.
    const long code = static_cast<long>(separator);
    if (code < 0 || code >= 128) {
        array.clear();
        return MS::kInvalidParameter;
    }
    return split(static_cast<char>(separator), array);
}

MString MString::substring(int start, int end) const {
    if (start < 0) start = 0;
    if (length_ == 0 || end < start || start >= int(length_)) return MString();
    if (end >= int(length_)) end = int(length_) - 1;
    return MString(data_ + start, end - start + 1);
}

MString MString::substringW(int start, int end) const {
    if (start < 0) start = 0;
    if (end < start) return MString();
    const unsigned int first = byteOfChar(data_, length_, start);
    const unsigned int last = byteOfChar(data_, length_, end + 1);
    if (first >= last) return MString();
    return MString(data_ + first, int(last - first));
}

MString& MString::toUpperCase() {
    for (unsigned int i = 0; i < length_; ++i) {
        if (data_[i] >= 'a' && data_[i] <= 'z') data_[i] = char(data_[i] - 'a' + 'A');
    }
    return *this;
}

MString& MString::toLowerCase() {
    for (unsigned int i = 0; i < length_; ++i) {
        if (data_[i] >= 'A' && data_[i] <= 'Z') data_[i] = char(data_[i] - 'A' + 'a');
    }
    return *this;
}

bool MString::isShort() const { return wholeInteger(data_, data_ + length_, SHRT_MIN, SHRT_MAX); }

short MString::asShort() const {
    const int v = asInt();
    if (v > SHRT_MAX) return SHRT_MAX;
    if (v < SHRT_MIN) return SHRT_MIN;
    return short(v);
}

bool MString::isInt() const { return wholeInteger(data_, data_ + length_, INT_MIN, INT_MAX); }

int MString::asInt() const {
    const char* stop = nullptr;
    bool consumed = false;
    return clampToInt(readInteger(data_, data_ + length_, stop, consumed));
}

bool MString::isUnsigned() const { return wholeInteger(data_, data_ + length_, 0, UINT_MAX); }

unsigned int MString::asUnsigned() const {
    const char* stop = nullptr;
    bool consumed = false;
    const int64_t v = readInteger(data_, data_ + length_, stop, consumed);
    if (v < 0) return 0;
    if (v > int64_t(UINT_MAX)) return UINT_MAX;
    return unsigned(v);
}

bool MString::isFloat() const {
    if (!isDouble()) return false;
    const double v = asDouble();
    return !std::isfinite(v) || std::fabs(v) <= double(FLT_MAX);
}

float MString::asFloat() const {
    const double v = asDouble();
    // A finite double beyond the float range has no float value: saturate to infinity.
    if (v > double(FLT_MAX)) return HUGE_VALF;
    if (v < -double(FLT_MAX)) return -HUGE_VALF;
    return float(v);
}

bool MString::isDouble() const {
    const char* stop = nullptr;
    readDouble(data_, data_ + length_, stop);
    return stop != data_ && onlySpaceFrom(stop, data_ + length_);
}

double MString::asDouble() const {
    const char* stop = nullptr;
    return readDouble(data_, data_ + length_, stop);
}

OPENMAYA_MAJOR_NAMESPACE_OPEN

MString operator+(const char* left, const MString& right) {
    MString result(left);
    result += right;
    return result;
}

std::ostream& operator<<(std::ostream& out, const MString& text) {
    return out.write(text.asChar(), std::streamsize(text.length()));
}

OPENMAYA_NAMESPACE_CLOSE
