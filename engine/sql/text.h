// UTF-16 text that reaches the SQL language (script texts, wide parameter
// values) becomes 8-bit text in the system code page. A character the page
// cannot hold is refused rather than replaced: a '?' in its place would
// silently change a value (a path would name another folder).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sql {

// Throws SqlError(native, "<what> holds the character U+XXXX, which the
// system code page cannot hold").
std::string AnsiFromUtf16(std::u16string_view text, uint32_t native, const std::string& what);

} // namespace sql
