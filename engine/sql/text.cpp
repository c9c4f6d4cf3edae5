#include "engine/sql/text.h"

#include "engine/sql/sql_error.h"
#include "platform/codepage/codepage.h"

#include <cstdio>

namespace sql {
namespace {

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u < 0xDC00; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u < 0xE000; }

std::string CodePointName(char32_t ch)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(ch));
    return hex;
}

} // namespace

std::string AnsiFromUtf16(std::u16string_view text, uint32_t native, const std::string& what)
{
    std::string ansi;
    ansi.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (IsHighSurrogate(ch) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ch = 0x10000 + ((ch - 0xD800) << 10) + (text[++i] - 0xDC00);
        unsigned char byte = 0;
        if (!codepage::FromUnicode(codepage::CodePage::Ansi1252, ch, byte))
            throw SqlError(native, what + " holds the character " + CodePointName(ch) +
                                       ", which the system code page cannot hold");
        ansi += static_cast<char>(byte);
    }
    return ansi;
}

} // namespace sql
