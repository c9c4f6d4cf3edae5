// Key encodings: index keys as byte strings whose memcmp order is the order
// of the values they stand for.
//
// Invariants:
// - Every segment has a fixed width, so a whole key has the fixed length of
//   its expression and a prefix of a key is the key of a prefix of the
//   segment list (what partial seeks and scopes compare).
// - Character values are their bytes in the table's character set, padded
//   with blanks to the segment width; upper-cased (through that character
//   set) when the segment is case-insensitive. Byte order is the collation.
// - Numbers, dates, times and timestamps take 8 bytes: the IEEE double of
//   the value (Julian day, milliseconds, or day * 86400000 + ms), big-endian,
//   with the sign bit flipped for positive values and every bit flipped for
//   negative ones, so that bytes compare as the numbers do.
// - Logicals take one byte, 'F' before 'T'.
// - NULL is all zero bytes: below every other value of its segment.
// - A descending key is the complement of every byte of the ascending one;
//   complementing preserves prefixes, so partial keys keep working.
#pragma once

#include "engine/expr/expression.h"
#include "engine/expr/value.h"
#include "platform/codepage/codepage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace indexing {

struct SegmentCoding {
    expr::KeySegment segment;
    bool caseInsensitive = false;
};

std::string EncodeSegment(const expr::Value& value, const SegmentCoding& coding, codepage::CodePage page);
std::string EncodeKey(const std::vector<expr::Value>& values, const std::vector<SegmentCoding>& codings,
                      codepage::CodePage page, bool descending);
void Complement(std::string& key);

// The next (direction +1) or previous (-1) byte string of the same length:
// a big-endian increment or decrement; false when there is none (all 0xFF
// going up, all zero going down), leaving the key unchanged.
bool StepKey(uint8_t* key, size_t length, int direction);

// Whether `key` starts with `prefix` (the compared part of a partial key).
inline int ComparePrefix(const std::string& key, const std::string& prefix)
{
    return key.compare(0, prefix.size(), prefix);
}

} // namespace indexing
