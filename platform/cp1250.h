// Windows-1250 text at the boundary with Unicode.
//
// Data, list, page and control files are Windows-1250 bytes and stay so inside
// the program; these conversions serve the window, the terminal and the
// collator. Every one of the 256 bytes maps to one UTF-16 unit: the five
// bytes Windows-1250 leaves unassigned (0x81 0x83 0x88 0x90 0x98) map to the
// C1 control of the same number, so decoding and encoding round-trip.
// Characters with no Windows-1250 form encode as '?'.
#pragma once

#include <string>
#include <string_view>

namespace spisotek::platform {

char16_t Cp1250ToUnicode(unsigned char byte);
// Returns false when the character has no Windows-1250 form.
bool UnicodeToCp1250(char32_t ch, unsigned char& byte);

std::u16string Cp1250ToUtf16(std::string_view text);
std::string Utf16ToCp1250(std::u16string_view text);
std::string Cp1250ToUtf8(std::string_view text);
// Invalid UTF-8 sequences become '?'.
std::string Utf8ToCp1250(std::string_view text);

// Upper case as an edit control with upper-case conversion produces it: each
// letter that has an upper-case form in Windows-1250 is replaced by it
// ("ąę" -> "ĄĘ"); 'ß' and 'ÿ'-like letters without one stay as they are.
unsigned char ToUpperCp1250(unsigned char byte);
std::string ToUpperCp1250(std::string_view text);

}  // namespace spisotek::platform
