// The values bound to a prepared script's parameters.
//
// A script with n parameters has positions 1..n, one per occurrence in
// order of appearance (a name written twice is two positions). Binding any
// other position is refused with an SqlError and changes nothing. A
// position never bound, or bound empty, reads as NULL. The setters take
// values in the forms the engine's binding calls deliver them.
#pragma once

#include "engine/sql/value.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sql {

class ParameterValues {
public:
    explicit ParameterValues(size_t count = 0) : mValues(count) {}

    size_t Count() const { return mValues.size(); }

    void SetEmpty(uint32_t position);
    // 8-bit text in the system code page.
    void SetString(uint32_t position, std::string_view text);
    // UTF-16 text; refused when a character has no place in the system code
    // page, since replacing it would silently change the value (a path
    // would name another folder).
    void SetStringW(uint32_t position, std::u16string_view text);
    void SetDouble(uint32_t position, double value);
    void SetLogical(uint32_t position, bool value);
    // 0 is the empty date and binds NULL.
    void SetJulian(uint32_t position, int32_t julian);
    // 0..86399999.
    void SetMilliseconds(uint32_t position, int32_t ms);
    // Eight bytes: Julian day then milliseconds, signed 32-bit little-endian.
    void SetTimeStampRaw(uint32_t position, const uint8_t* bytes, size_t length);
    void SetBinary(uint32_t position, std::string_view bytes);
    void Set(uint32_t position, Value value);

    // By 0-based parameter number.
    Value Get(size_t parameter) const;
    void Clear();

private:
    size_t Index(uint32_t position) const;

    std::vector<std::optional<Value>> mValues;
};

} // namespace sql
