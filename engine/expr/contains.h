// CONTAINS(field, condition): word search in a character or memo value.
//
// The value splits into words at every byte that is not a letter or digit of
// the code page; matching ignores case. A condition is a list of terms that
// must all occur; AND, OR, NOT and parentheses combine them (AND binds
// tighter than OR; blank-separated terms are joined by AND). A term matches a
// whole word, a term ending in "*" every word it begins; a double-quoted
// phrase, or a term that the separators split into several words, needs the
// words in a row (with a final "*", each of them as a prefix).
#pragma once

#include "platform/codepage/codepage.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace expr {

struct ContainsQuery {
    enum class Kind { Phrase, And, Or, Not } kind = Kind::Phrase;
    std::vector<std::string> words; // Phrase: upper-cased
    bool prefix = false;            // Phrase: every word is a prefix
    std::vector<std::unique_ptr<ContainsQuery>> parts;

    // Parses a condition; nullptr with `problem` set when it is malformed or empty.
    static std::unique_ptr<ContainsQuery> Parse(codepage::CodePage page, std::string_view condition,
                                                std::string& problem);
    bool Matches(codepage::CodePage page, std::string_view text) const;
};

} // namespace expr
