#include "engine/sql/parameters.h"

#include "engine/sql/sql_error.h"
#include "engine/sql/text.h"

#include <cmath>

namespace sql {
namespace {

constexpr int32_t kMsPerDay = 86400000;

int32_t ReadInt32LittleEndian(const uint8_t* bytes)
{
    uint32_t u = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                 static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(u);
}

void RequireTimeOfDay(int32_t ms)
{
    if (ms < 0 || ms >= kMsPerDay)
        throw SqlError(kParameter, "The time value " + std::to_string(ms) + " is not a number of milliseconds in a day");
}

void RequireJulian(int32_t julian)
{
    if (julian < 0)
        throw SqlError(kParameter, "The Julian day " + std::to_string(julian) + " is not a date");
}

} // namespace

size_t ParameterValues::Index(uint32_t position) const
{
    if (position < 1 || position > mValues.size())
        throw SqlError(kParameter, "Parameter position " + std::to_string(position) + " does not exist; the statement has " +
                                       std::to_string(mValues.size()) + " parameters");
    return position - 1;
}

void ParameterValues::Set(uint32_t position, Value value) { mValues[Index(position)] = std::move(value); }

void ParameterValues::SetEmpty(uint32_t position) { Set(position, Value::Null()); }

void ParameterValues::SetString(uint32_t position, std::string_view text) { Set(position, Value::String(std::string(text))); }

void ParameterValues::SetStringW(uint32_t position, std::u16string_view text)
{
    size_t index = Index(position);
    mValues[index] = Value::String(AnsiFromUtf16(text, kParameter, "Parameter " + std::to_string(position)));
}

void ParameterValues::SetDouble(uint32_t position, double value)
{
    if (!std::isfinite(value))
        throw SqlError(kParameter, "Parameter " + std::to_string(position) + " is not a finite number");
    Set(position, Value::Double(value));
}

void ParameterValues::SetLogical(uint32_t position, bool value) { Set(position, Value::Logical(value)); }

void ParameterValues::SetJulian(uint32_t position, int32_t julian)
{
    Index(position);
    RequireJulian(julian);
    Set(position, julian == 0 ? Value::Null(DataType::Date) : Value::Date(julian));
}

void ParameterValues::SetMilliseconds(uint32_t position, int32_t ms)
{
    Index(position);
    RequireTimeOfDay(ms);
    Set(position, Value::Time(ms));
}

void ParameterValues::SetTimeStampRaw(uint32_t position, const uint8_t* bytes, size_t length)
{
    Index(position);
    if (bytes == nullptr || length != 8)
        throw SqlError(kParameter, "A time stamp is 8 bytes, not " + std::to_string(bytes ? length : 0));
    int32_t julian = ReadInt32LittleEndian(bytes);
    int32_t ms = ReadInt32LittleEndian(bytes + 4);
    RequireJulian(julian);
    RequireTimeOfDay(ms);
    Set(position, julian == 0 ? Value::Null(DataType::TimeStamp) : Value::TimeStamp(julian, ms));
}

void ParameterValues::SetBinary(uint32_t position, std::string_view bytes) { Set(position, Value::Binary(std::string(bytes))); }

Value ParameterValues::Get(size_t parameter) const
{
    if (parameter >= mValues.size() || !mValues[parameter])
        return Value::Null();
    return *mValues[parameter];
}

void ParameterValues::Clear()
{
    for (auto& value : mValues)
        value.reset();
}

} // namespace sql
