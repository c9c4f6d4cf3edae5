#include "engine/index/key_codec.h"

#include <bit>
#include <cstring>

namespace indexing {

namespace {

std::string EncodeDouble(double value)
{
    if (value == 0)
        value = 0; // -0 and +0 are the same key
    uint64_t bits = std::bit_cast<uint64_t>(value);
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    std::string out(8, '\0');
    for (int i = 7; i >= 0; --i, bits >>= 8)
        out[size_t(i)] = char(bits & 0xFF);
    return out;
}

double NumericValue(const expr::Value& value)
{
    switch (value.type) {
    case expr::ValueType::Date: return double(value.julian);
    case expr::ValueType::Time: return double(value.ms);
    case expr::ValueType::TimeStamp: return double(value.julian) * 86400000.0 + double(value.ms);
    default: return value.number;
    }
}

} // namespace

std::string EncodeSegment(const expr::Value& value, const SegmentCoding& coding, codepage::CodePage page)
{
    const uint32_t width = coding.segment.width;
    if (value.null)
        return std::string(width, '\0');
    switch (coding.segment.type) {
    case expr::ValueType::Character:
    case expr::ValueType::Memo: {
        std::string text = value.text;
        text.resize(width, ' ');
        if (coding.caseInsensitive)
            codepage::UpperCaseInPlace(page, text.data(), text.size());
        return text;
    }
    case expr::ValueType::Logical: return std::string(1, value.logical ? 'T' : 'F');
    default: {
        std::string bytes = EncodeDouble(NumericValue(value));
        bytes.resize(width, '\0');
        return bytes;
    }
    }
}

void Complement(std::string& key)
{
    for (char& c : key)
        c = char(~static_cast<unsigned char>(c));
}

std::string EncodeKey(const std::vector<expr::Value>& values, const std::vector<SegmentCoding>& codings,
                      codepage::CodePage page, bool descending)
{
    std::string key;
    for (size_t i = 0; i < values.size() && i < codings.size(); ++i)
        key += EncodeSegment(values[i], codings[i], page);
    if (descending)
        Complement(key);
    return key;
}

bool StepKey(uint8_t* key, size_t length, int direction)
{
    const uint8_t limit = direction > 0 ? 0xFF : 0x00;
    size_t i = length;
    while (i > 0 && key[i - 1] == limit)
        --i;
    if (i == 0)
        return false;
    key[i - 1] = uint8_t(key[i - 1] + (direction > 0 ? 1 : -1));
    std::memset(key + i, direction > 0 ? 0x00 : 0xFF, length - i);
    return true;
}

} // namespace indexing
