#include "platform/cp1250.h"

#include <unicode/uchar.h>

#include <array>

namespace spisotek::platform {

namespace {

// Upper half of Windows-1250; unassigned positions carry the C1 control of
// the same number so every byte survives a round trip.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

struct UpperTable {
    std::array<unsigned char, 256> map{};
    UpperTable() {
        for (int b = 0; b < 256; ++b) {
            unsigned char upper = static_cast<unsigned char>(b);
            const UChar32 mapped = u_toupper(Cp1250ToUnicode(static_cast<unsigned char>(b)));
            unsigned char encoded = 0;
            if (UnicodeToCp1250(static_cast<char32_t>(mapped), encoded)) {
                upper = encoded;
            }
            map[static_cast<size_t>(b)] = upper;
        }
    }
};

const UpperTable& Upper() {
    static const UpperTable table;
    return table;
}

void AppendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

}  // namespace

char16_t Cp1250ToUnicode(unsigned char byte) {
    return byte < 0x80 ? static_cast<char16_t>(byte) : kUpperHalf[byte - 0x80];
}

bool UnicodeToCp1250(char32_t ch, unsigned char& byte) {
    if (ch < 0x80) {
        byte = static_cast<unsigned char>(ch);
        return true;
    }
    for (size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == ch) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

std::u16string Cp1250ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) {
        out += Cp1250ToUnicode(static_cast<unsigned char>(c));
    }
    return out;
}

std::string Utf16ToCp1250(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        // A surrogate pair is one character, and none has a Windows-1250 form.
        if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
            ch = 0x10000;
        }
        unsigned char byte = 0;
        out += UnicodeToCp1250(ch, byte) ? static_cast<char>(byte) : '?';
    }
    return out;
}

std::string Cp1250ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        AppendUtf8(out, Cp1250ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Utf8ToCp1250(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t ch = length == 1   ? lead
                      : length == 2 ? lead & 0x1F
                      : length == 3 ? lead & 0x0F
                                    : lead & 0x07;
        bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            ch = (ch << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        unsigned char byte = 0;
        out += UnicodeToCp1250(ch, byte) ? static_cast<char>(byte) : '?';
        i += static_cast<size_t>(length);
    }
    return out;
}

unsigned char ToUpperCp1250(unsigned char byte) {
    return Upper().map[byte];
}

std::string ToUpperCp1250(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(ToUpperCp1250(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace spisotek::platform
