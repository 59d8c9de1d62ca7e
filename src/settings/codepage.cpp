// Windows-1252 <-> UTF-8: Latin-1 for 0x00..0x7F and 0xA0..0xFF, a table for 0x80..0x9F.
#include "settings/codepage.h"

#include <array>
#include <cstdint>

namespace gyro {

namespace {

// Unicode code points of the bytes 0x80..0x9F; the undefined bytes keep their own value.
constexpr std::array<std::uint16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

char32_t byteToCodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

// The byte of a code point, or -1 when the code page has none.
int codePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::string Cp1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) appendUtf8(out, byteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1252(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0 && lead >= 0xC2) {
            length = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= n;
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char c =
                static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) {
                valid = false;
            } else {
                cp = (cp << 6) | (c & 0x3F);
            }
        }
        // Overlong three- and four-byte forms and surrogates are not valid UTF-8.
        if (valid && length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (valid && length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) valid = false;
        if (!valid) {
            out.push_back('?');
            ++i; // resynchronise on the next byte
            continue;
        }
        const int b = codePointToByte(cp);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string UpperCp1252(const std::string& bytes) {
    std::string out = bytes;
    for (char& ch : out) {
        const unsigned char c = static_cast<unsigned char>(ch);
        int up = c;
        if (c >= 'a' && c <= 'z') {
            up = c - 0x20;
        } else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
            up = c - 0x20;
        } else if (c == 0x9A || c == 0x9C || c == 0x9E) {
            up = c - 0x10; // š œ ž -> Š Œ Ž
        } else if (c == 0xFF) {
            up = 0x9F; // ÿ -> Ÿ
        }
        ch = static_cast<char>(up);
    }
    return out;
}

} // namespace gyro
