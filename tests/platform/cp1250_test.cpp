#include "platform/cp1250.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

namespace spisotek::platform {
namespace {

TEST(Cp1250, EveryAssignedByteDecodesAsIcusWindows1250Converter) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-1250", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    for (int b = 0; b < 256; ++b) {
        if (b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98) {
            EXPECT_EQ(Cp1250ToUnicode(static_cast<unsigned char>(b)), b) << "unassigned " << b;
            continue;
        }
        const char in = static_cast<char>(b);
        UChar out[4] = {};
        status = U_ZERO_ERROR;
        const int32_t length = ucnv_toUChars(converter, out, 4, &in, 1, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        ASSERT_EQ(length, 1);
        EXPECT_EQ(Cp1250ToUnicode(static_cast<unsigned char>(b)), out[0]) << "byte " << b;
    }
    ucnv_close(converter);
}

TEST(Cp1250, EveryByteRoundTripsThroughUtf16AndUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf16ToCp1250(Cp1250ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(all)), all);
}

TEST(Cp1250, Utf8ConversionOfPolishTextAndUnrepresentableCharacters) {
    struct Case {
        std::string utf8;
        std::string cp1250;
    };
    const Case cases[] = {
        {"Zażółć gęślą jaźń", "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1"},
        {"ŁÓDŹ",
         "\xA3\xD3"
         "D\x8F"},
        {"€ – „x”", "\x80 \x96 \x84x\x94"},
        {"日本", "??"},  // no Windows-1250 form
        {"a\xFF"
         "b",
         "a?b"},        // invalid UTF-8 byte
        {"\xC5", "?"},  // truncated sequence
        {"😀", "?"},     // four-byte sequence
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToCp1250(c.utf8), c.cp1250) << c.utf8;
    }
    EXPECT_EQ(Cp1250ToUtf8("\xA3\xF3"
                           "d\x9F"),
              "Łódź");
    EXPECT_EQ(Utf16ToCp1250(u"x\U0001F600y"), "x?y");
}

TEST(Cp1250, UpperCaseAsAnUpperCaseEditProducesIt) {
    EXPECT_EQ(ToUpperCp1250("kowalski"), "KOWALSKI");
    EXPECT_EQ(ToUpperCp1250("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF"),   // ąćęłńóśźż
              "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF");                 // ĄĆĘŁŃÓŚŹŻ
    EXPECT_EQ(ToUpperCp1250("\x9A\x9E\xE8\xF8"), "\x8A\x8E\xC8\xD8");  // šžčř
    // Letters without an upper-case form in Windows-1250 stay.
    EXPECT_EQ(ToUpperCp1250("\xDF\xB5"), "\xDF\xB5");  // ß µ
    EXPECT_EQ(ToUpperCp1250("ul. 3 Maja 12/4"), "UL. 3 MAJA 12/4");
}

}  // namespace
}  // namespace spisotek::platform
