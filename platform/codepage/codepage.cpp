#include "platform/codepage/codepage.h"

#include <algorithm>
#include <array>

namespace codepage {
namespace {

// Upper halves of the pages (bytes 0x80..0xFF); the lower halves are ASCII.
constexpr char16_t kAnsiHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr char16_t kOemHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// Simple (one-to-one) case mappings of the letters the two pages hold.
constexpr char16_t UnicodeUpper(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return char16_t(c - 0x20);
    switch (c) {
    case 0x00FF: return 0x0178;
    case 0x0131: return u'I';
    case 0x0153: return 0x0152;
    case 0x0161: return 0x0160;
    case 0x017E: return 0x017D;
    default: return c;
    }
}

constexpr char16_t UnicodeLower(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return char16_t(c + 0x20);
    switch (c) {
    case 0x0178: return 0x00FF;
    case 0x0152: return 0x0153;
    case 0x0160: return 0x0161;
    case 0x017D: return 0x017E;
    default: return c;
    }
}

struct Mapping {
    char16_t unicode;
    unsigned char byte;
};

// Everything a page needs, computed at compile time from its upper half.
struct PageTables {
    std::array<char16_t, 256> decode{};
    // Byte for characters below U+0100, or -1 when the page has none.
    std::array<int16_t, 256> latin1{};
    // Characters at or above U+0100, sorted for binary search.
    std::array<Mapping, 128> others{};
    std::size_t otherCount = 0;
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};

    constexpr bool Encode(char32_t ch, unsigned char& byte) const
    {
        if (ch < 0x100) {
            if (latin1[ch] < 0)
                return false;
            byte = static_cast<unsigned char>(latin1[ch]);
            return true;
        }
        if (ch > 0xFFFF)
            return false;
        const Mapping* first = others.data();
        const Mapping* last = first + otherCount;
        const Mapping* it = std::lower_bound(first, last, ch,
            [](const Mapping& m, char32_t c) { return m.unicode < c; });
        if (it == last || it->unicode != ch)
            return false;
        byte = it->byte;
        return true;
    }

    constexpr unsigned char Refold(unsigned char b, char16_t folded) const
    {
        unsigned char out = b;
        return Encode(folded, out) ? out : b;
    }
};

constexpr PageTables MakeTables(const char16_t (&high)[128])
{
    PageTables t;
    for (int b = 0; b < 256; ++b) {
        t.decode[b] = b < 0x80 ? char16_t(b) : high[b - 0x80];
        t.latin1[b] = -1;
    }
    for (int b = 0; b < 256; ++b) {
        const char16_t u = t.decode[b];
        if (u < 0x100) {
            t.latin1[u] = int16_t(b);
            continue;
        }
        std::size_t i = t.otherCount++;
        while (i > 0 && t.others[i - 1].unicode > u) {
            t.others[i] = t.others[i - 1];
            --i;
        }
        t.others[i] = Mapping{u, static_cast<unsigned char>(b)};
    }
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        t.upper[b] = t.Refold(byte, UnicodeUpper(t.decode[b]));
        t.lower[b] = t.Refold(byte, UnicodeLower(t.decode[b]));
    }
    return t;
}

constexpr PageTables kAnsi = MakeTables(kAnsiHigh);
constexpr PageTables kOem = MakeTables(kOemHigh);

constexpr const PageTables& TablesOf(CodePage page)
{
    return page == CodePage::Oem850 ? kOem : kAnsi;
}

constexpr bool EveryByteRoundTrips(const PageTables& t)
{
    for (int b = 0; b < 256; ++b) {
        unsigned char out = 0;
        if (!t.Encode(t.decode[b], out) || out != b)
            return false;
    }
    return true;
}

static_assert(EveryByteRoundTrips(kAnsi) && EveryByteRoundTrips(kOem),
              "each page maps its bytes to distinct characters");

unsigned char EncodeOrReplace(const PageTables& t, char32_t ch)
{
    unsigned char byte = kReplacement;
    t.Encode(ch, byte);
    return byte;
}

void AppendUtf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at `pos` and advances past it. A malformed
// sequence yields kInvalid and advances past its longest valid prefix (at
// least one byte), so each malformed sequence counts once.
char32_t NextUtf8(std::string_view s, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t ch = 0;
    unsigned char minSecond = 0x80, maxSecond = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1; ch = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2; ch = lead & 0x0F;
        if (lead == 0xE0) minSecond = 0xA0;   // overlong
        if (lead == 0xED) maxSecond = 0x9F;   // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3; ch = lead & 0x07;
        if (lead == 0xF0) minSecond = 0x90;   // overlong
        if (lead == 0xF4) maxSecond = 0x8F;   // above U+10FFFF
    } else {
        return kInvalid;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size())
            return kInvalid;
        const auto c = static_cast<unsigned char>(s[pos]);
        const unsigned char lo = i == 0 ? minSecond : 0x80;
        const unsigned char hi = i == 0 ? maxSecond : 0xBF;
        if (c < lo || c > hi)
            return kInvalid;
        ch = (ch << 6) | (c & 0x3F);
        ++pos;
    }
    return ch;
}

// Decodes one UTF-16 character at `pos` and advances past it; an unpaired
// surrogate yields kInvalid.
char32_t NextUtf16(std::u16string_view s, std::size_t& pos)
{
    const char16_t c = s[pos++];
    if (c < 0xD800 || c > 0xDFFF)
        return c;
    if (c <= 0xDBFF && pos < s.size() && s[pos] >= 0xDC00 && s[pos] <= 0xDFFF) {
        const char16_t low = s[pos++];
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (low - 0xDC00);
    }
    return kInvalid;
}

// Encodes every character that `next` reads from `text`.
template <class View>
std::string EncodeText(const PageTables& t, View text, char32_t (*next)(View, std::size_t&))
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();)
        out += static_cast<char>(EncodeOrReplace(t, next(text, pos)));
    return out;
}

void FoldInPlace(const std::array<unsigned char, 256>& table, char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(table[static_cast<unsigned char>(data[i])]);
}

} // namespace

char16_t ToUnicode(CodePage page, unsigned char byte) noexcept
{
    return TablesOf(page).decode[byte];
}

bool FromUnicode(CodePage page, char32_t ch, unsigned char& byte) noexcept
{
    return TablesOf(page).Encode(ch, byte);
}

std::u16string ToUtf16(CodePage page, std::string_view bytes)
{
    const PageTables& t = TablesOf(page);
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = t.decode[static_cast<unsigned char>(bytes[i])];
    return out;
}

std::string FromUtf16(CodePage page, std::u16string_view text)
{
    return EncodeText(TablesOf(page), text, NextUtf16);
}

std::string ToUtf8(CodePage page, std::string_view bytes)
{
    const PageTables& t = TablesOf(page);
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes)
        AppendUtf8(out, t.decode[static_cast<unsigned char>(b)]);
    return out;
}

std::string FromUtf8(CodePage page, std::string_view utf8)
{
    return EncodeText(TablesOf(page), utf8, NextUtf8);
}

std::string Convert(CodePage from, CodePage to, std::string_view bytes)
{
    const PageTables& source = TablesOf(from);
    const PageTables& target = TablesOf(to);
    std::string out(bytes.size(), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(
            EncodeOrReplace(target, source.decode[static_cast<unsigned char>(bytes[i])]));
    return out;
}

unsigned char UpperCase(CodePage page, unsigned char byte) noexcept
{
    return TablesOf(page).upper[byte];
}

unsigned char LowerCase(CodePage page, unsigned char byte) noexcept
{
    return TablesOf(page).lower[byte];
}

std::string UpperCase(CodePage page, std::string_view bytes)
{
    std::string out(bytes);
    UpperCaseInPlace(page, out.data(), out.size());
    return out;
}

std::string LowerCase(CodePage page, std::string_view bytes)
{
    std::string out(bytes);
    LowerCaseInPlace(page, out.data(), out.size());
    return out;
}

void UpperCaseInPlace(CodePage page, char* data, std::size_t size) noexcept
{
    FoldInPlace(TablesOf(page).upper, data, size);
}

void LowerCaseInPlace(CodePage page, char* data, std::size_t size) noexcept
{
    FoldInPlace(TablesOf(page).lower, data, size);
}

int CompareIgnoreCase(CodePage page, std::string_view a, std::string_view b) noexcept
{
    const auto& upper = TablesOf(page).upper;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = upper[static_cast<unsigned char>(a[i])];
        const int cb = upper[static_cast<unsigned char>(b[i])];
        if (ca != cb)
            return ca - cb;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace codepage
