// Conversions between the two 8-bit code pages of the system and Unicode,
// and case folding of 8-bit text. Qt-free (standard library only): the
// engine links it as well as the platform layer.
//
// Invariants:
// - Ansi1252 is the system ("ANSI") code page, Oem850 the OEM one.
// - Every byte of either page decodes to exactly one UTF-16 code unit, and
//   encoding that unit gives the byte back: decoding and re-encoding any byte
//   string is lossless. The five bytes Windows-1252 leaves undefined (0x81,
//   0x8D, 0x8F, 0x90, 0x9D) decode to the C1 control of the same value, as
//   the system does, so that they survive a round trip too.
// - A character the page cannot hold is encoded as kReplacement ('?'): one
//   replacement per character (a surrogate pair is one character), one per
//   unpaired surrogate, and one per malformed UTF-8 sequence.
// - Bytes below 0x80 are ASCII in both pages.
// - UpperCase/LowerCase map a byte to the byte of the upper/lower-case form
//   of its character when the page holds that form, and leave it unchanged
//   otherwise (so 'ß', 'µ' and 'ƒ' keep their byte). Folding never changes
//   the length of a string.
// - Every function is thread-safe and allocation is limited to the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace codepage {

enum class CodePage : uint16_t {
    Ansi1252 = 1252,
    Oem850 = 850,
};

constexpr char kReplacement = '?';

// The character a byte stands for in the page.
char16_t ToUnicode(CodePage page, unsigned char byte) noexcept;

// The byte that stands for `ch` in the page; false when the page has none
// (then `byte` is left unchanged).
bool FromUnicode(CodePage page, char32_t ch, unsigned char& byte) noexcept;

std::u16string ToUtf16(CodePage page, std::string_view bytes);
std::string FromUtf16(CodePage page, std::u16string_view text);

std::string ToUtf8(CodePage page, std::string_view bytes);
std::string FromUtf8(CodePage page, std::string_view utf8);

// Re-encodes 8-bit text of one page in another (OEM tables read as ANSI).
std::string Convert(CodePage from, CodePage to, std::string_view bytes);

unsigned char UpperCase(CodePage page, unsigned char byte) noexcept;
unsigned char LowerCase(CodePage page, unsigned char byte) noexcept;
std::string UpperCase(CodePage page, std::string_view bytes);
std::string LowerCase(CodePage page, std::string_view bytes);
void UpperCaseInPlace(CodePage page, char* data, std::size_t size) noexcept;
void LowerCaseInPlace(CodePage page, char* data, std::size_t size) noexcept;

// Compares two 8-bit strings of the page as their upper-case forms, byte by
// byte; negative, zero or positive like memcmp (a proper prefix is smaller).
int CompareIgnoreCase(CodePage page, std::string_view a, std::string_view b) noexcept;

} // namespace codepage
