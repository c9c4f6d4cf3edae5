// RecordLayout: typed reads and writes of field values in a record image.
#include "engine/storage/record_layout.h"

#include "engine/storage/value_codec.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace storage {

using namespace codec;

namespace {

std::string_view Chars(const uint8_t* p, size_t length)
{
    return std::string_view(reinterpret_cast<const char*>(p), length);
}

[[noreturn]] void Refuse(const FieldDesc& field, const std::string& problem)
{
    throw StorageError(kErrValue, "Field " + field.name + ": " + problem);
}

// A stored value that cannot be what its field type says.
[[noreturn]] void Unreadable(const FieldDesc& field, const uint8_t* p, const char* what)
{
    throw StorageError(kErrCorruptTable, "Field " + field.name + " holds \""
                                             + std::string(Chars(p, field.length)) + "\", which is not " + what + ".");
}

[[noreturn]] void WrongKind(const FieldDesc& field, const char* what)
{
    Refuse(field, std::string("this field type (") + std::to_string(field.type) + ") does not take " + what + ".");
}

std::string MoneyText(int64_t amount)
{
    bool negative = amount < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(amount) : uint64_t(amount);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

// Exact decimal text -> amount scaled by 10^scale, rounding extra digits half up.
std::optional<int64_t> ParseScaled(std::string_view text, int scale)
{
    std::string t = Trim(text);
    std::replace(t.begin(), t.end(), ',', '.');
    size_t pos = 0;
    bool negative = false;
    if (pos < t.size() && (t[pos] == '-' || t[pos] == '+'))
        negative = t[pos++] == '-';
    __int128 value = 0;
    int fractionDigits = -1, digits = 0;
    bool roundUp = false;
    for (; pos < t.size(); ++pos) {
        char c = t[pos];
        if (c == '.' && fractionDigits < 0) {
            fractionDigits = 0;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        ++digits;
        if (fractionDigits >= scale) {
            if (fractionDigits == scale)
                roundUp = c >= '5';
            ++fractionDigits;
            continue;
        }
        value = value * 10 + (c - '0');
        if (fractionDigits >= 0)
            ++fractionDigits;
        if (value > (__int128(1) << 64))
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    for (int i = std::max(fractionDigits, 0); i < scale; ++i)
        value *= 10;
    if (roundUp)
        ++value;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int64_t>::max() || value <= std::numeric_limits<int64_t>::min())
        return std::nullopt;
    return int64_t(value);
}

int32_t CompactToJulian(const uint8_t* p)
{
    uint32_t packed = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    CivilDate date{int(packed >> 9), int((packed >> 5) & 15), int(packed & 31)};
    return IsValidDate(date) ? JulianFromCivil(date) : 0;
}

void JulianToCompact(uint8_t* p, int32_t julian)
{
    CivilDate date = CivilFromJulian(julian);
    uint32_t packed = (uint32_t(date.year) << 9) | (uint32_t(date.month) << 5) | uint32_t(date.day);
    p[0] = uint8_t(packed >> 16);
    p[1] = uint8_t(packed >> 8);
    p[2] = uint8_t(packed);
}

bool IsIntegerType(uint16_t type)
{
    return type == ft::Integer || type == ft::ShortInt || type == ft::AutoInc || type == ft::LongInt;
}

std::string Utf16ToAnsi(const uint8_t* p, size_t units)
{
    std::u16string text;
    for (size_t i = 0; i < units; ++i)
        text.push_back(char16_t(p[2 * i] | (p[2 * i + 1] << 8)));
    while (!text.empty() && (text.back() == u' ' || text.back() == 0))
        text.pop_back();
    return codepage::FromUtf16(codepage::CodePage::Ansi1252, text);
}

std::vector<uint8_t> AnsiToUtf16(std::string_view ansi)
{
    std::u16string text = codepage::ToUtf16(codepage::CodePage::Ansi1252, ansi);
    std::vector<uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(uint8_t(unit));
        bytes.push_back(uint8_t(unit >> 8));
    }
    return bytes;
}

} // namespace

// ---- Reads -----------------------------------------------------------------

std::vector<uint8_t> RecordLayout::GetRaw(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    const uint8_t* p = image + field.offset;
    size_t used = field.length;
    if (field.type == ft::VarChar || field.type == ft::VarBinary || field.type == ft::NVarChar) {
        if (IsNull(index, image))
            return {};
        if (mKind == TableKind::ADT || field.type == ft::NVarChar) {
            used = GetU16(p + field.length);
            if (field.type == ft::NVarChar)
                used *= 2;
        } else if (mKind == TableKind::VFP && !IsFullLength(index, image)) {
            used = p[field.length - 1];
        }
        used = std::min<size_t>(used, field.length);
    }
    return std::vector<uint8_t>(p, p + used);
}

std::string RecordLayout::GetText(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsMemoType(field.type))
        Refuse(field, "memo values are read from the memo file.");
    if (IsNull(index, image))
        return {};
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Logical: return GetLogical(index, image) ? "T" : "F";
    case ft::Numeric: return Trim(Chars(p, field.length));
    case ft::Date: case ft::CompactDate: return DateText(GetJulian(index, image));
    case ft::String: case ft::CIString: {
        std::string text = TrimRight(Chars(p, field.length));
        return field.binary ? text : ToAnsi(text);
    }
    case ft::Double: case ft::CurDouble: return ShortestText(GetDouble(index, image));
    case ft::Integer: case ft::ShortInt: case ft::AutoInc: case ft::LongInt:
        return std::to_string(GetInteger(index, image));
    case ft::Money: return MoneyText(int64_t(GetU64(p)));
    case ft::Time: return TimeText(GetMilliseconds(index, image));
    case ft::TimeStamp: case ft::ModTime:
        return DateText(GetJulian(index, image)) + " " + TimeText(GetMilliseconds(index, image));
    case ft::NChar: return Utf16ToAnsi(p, field.length / 2);
    case ft::NVarChar: {
        std::vector<uint8_t> raw = GetRaw(index, image);
        return Utf16ToAnsi(raw.data(), raw.size() / 2);
    }
    case ft::VarChar: {
        std::vector<uint8_t> raw = GetRaw(index, image);
        std::string text(raw.begin(), raw.end());
        return field.binary ? text : ToAnsi(text);
    }
    default: {
        std::vector<uint8_t> raw = GetRaw(index, image);
        return std::string(raw.begin(), raw.end());
    }
    }
}

bool RecordLayout::GetLogical(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.type != ft::Logical)
        WrongKind(field, "a logical value");
    if (IsNull(index, image))
        return false;
    char c = char(image[field.offset]);
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == '1';
}

int64_t RecordLayout::GetInteger(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsNull(index, image))
        return 0;
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Integer: return int32_t(GetU32(p));
    case ft::ShortInt: return int16_t(GetU16(p));
    case ft::AutoInc: return GetU32(p);
    case ft::LongInt: return int64_t(GetU64(p));
    case ft::Money: return int64_t(GetU64(p)) / 10000;
    case ft::Logical: return GetLogical(index, image) ? 1 : 0;
    case ft::Numeric: case ft::Double: case ft::CurDouble: {
        double value = GetDouble(index, image);
        if (!(std::fabs(value) < 9.2e18))
            Refuse(field, "the value does not fit a 64-bit integer.");
        return std::llround(value);
    }
    default: WrongKind(field, "numbers");
    }
}

double RecordLayout::GetDouble(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsNull(index, image))
        return 0;
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Double: case ft::CurDouble: return codec::GetDouble(p);
    case ft::Money: return double(int64_t(GetU64(p))) / 10000.0;
    case ft::Numeric: {
        std::optional<double> value = ParseDouble(Chars(p, field.length));
        if (!value)
            Unreadable(field, p, "a number");
        return *value;
    }
    default:
        if (IsIntegerType(field.type) || field.type == ft::Logical)
            return double(GetInteger(index, image));
        WrongKind(field, "numbers");
    }
}

int32_t RecordLayout::GetJulian(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsNull(index, image))
        return 0;
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Date: {
        if (field.length == 4)
            return int32_t(GetU32(p));
        std::optional<int32_t> julian = ParseDateText(Chars(p, field.length));
        if (!julian)
            Unreadable(field, p, "a date");
        return *julian;
    }
    case ft::CompactDate: return CompactToJulian(p);
    case ft::TimeStamp: case ft::ModTime: return int32_t(GetU32(p));
    default: WrongKind(field, "dates");
    }
}

int32_t RecordLayout::GetMilliseconds(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsNull(index, image))
        return 0;
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Time: return int32_t(GetU32(p));
    case ft::TimeStamp: case ft::ModTime: return int32_t(GetU32(p + 4));
    case ft::Date: case ft::CompactDate: return 0;
    default: WrongKind(field, "times");
    }
}

TimeStampValue RecordLayout::GetTimeStamp(size_t index, const uint8_t* image) const
{
    return {GetJulian(index, image), GetMilliseconds(index, image)};
}

// ---- Writes ----------------------------------------------------------------

void RecordLayout::PutText(const FieldDesc& field, uint8_t* image, std::string_view stored) const
{
    if (stored.size() > field.length)
        Refuse(field, "the value of " + std::to_string(stored.size()) + " bytes is longer than the field ("
                          + std::to_string(field.length) + ").");
    uint8_t* p = image + field.offset;
    std::fill(p, p + field.length, uint8_t(' '));
    std::copy(stored.begin(), stored.end(), p);
    MarkNotNull(field, image);
}

void RecordLayout::PutVariable(const FieldDesc& field, uint8_t* image, const uint8_t* data, size_t length) const
{
    if (length > field.length)
        Refuse(field, "the value of " + std::to_string(length) + " bytes is longer than the field ("
                          + std::to_string(field.length) + ").");
    uint8_t* p = image + field.offset;
    if (field.type == ft::NVarChar) {
        std::fill(p, p + field.length, uint8_t(0));
        for (uint32_t i = 0; i + 1 < field.length; i += 2)
            p[i] = ' ';
    } else {
        std::fill(p, p + field.length, uint8_t(field.type == ft::VarBinary && mKind == TableKind::ADT ? 0 : ' '));
    }
    if (length)
        std::copy(data, data + length, p);
    if (mKind == TableKind::ADT || field.type == ft::NVarChar) {
        PutU16(p + field.length, uint16_t(field.type == ft::NVarChar ? length / 2 : length));
    } else if (mKind == TableKind::VFP) {
        bool full = length == field.length;
        if (!full)
            p[field.length - 1] = uint8_t(length);
        SetFlagBit(image, field.varBit, !full);
    }
    MarkNotNull(field, image);
}

void RecordLayout::PutNumber(const FieldDesc& field, uint8_t* image, double value, const std::string* exact) const
{
    std::optional<std::string> text = exact ? std::optional<std::string>(*exact)
                                            : FixedText(value, field.decimals, field.length);
    if (!text || text->size() > field.length)
        Refuse(field, "numeric value out of range for a width of " + std::to_string(field.length) + ".");
    uint8_t* p = image + field.offset;
    std::fill(p, p + field.length, uint8_t(' '));
    std::copy(text->begin(), text->end(), p + field.length - text->size());
    MarkNotNull(field, image);
}

void RecordLayout::SetLogical(size_t index, uint8_t* image, bool value) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.type != ft::Logical)
        WrongKind(field, "a logical value");
    image[field.offset] = value ? 'T' : 'F';
    MarkNotNull(field, image);
}

void RecordLayout::SetInteger(size_t index, uint8_t* image, int64_t value) const
{
    const FieldDesc& field = Checked(index, image);
    uint8_t* p = image + field.offset;
    auto range = [&](int64_t low, int64_t high) {
        if (value < low || value > high)
            Refuse(field, std::to_string(value) + " is out of range.");
    };
    switch (field.type) {
    case ft::Integer: range(-2147483647LL, 2147483647LL); PutU32(p, uint32_t(int32_t(value))); break;
    case ft::ShortInt: range(-32767, 32767); PutU16(p, uint16_t(int16_t(value))); break;
    case ft::LongInt: range(std::numeric_limits<int64_t>::min() + 1, std::numeric_limits<int64_t>::max());
        PutU64(p, uint64_t(value)); break;
    case ft::Money: range(-922337203685477LL, 922337203685477LL); PutU64(p, uint64_t(value * 10000)); break;
    case ft::Logical: SetLogical(index, image, value != 0); return;
    case ft::Double: case ft::CurDouble: codec::PutDouble(p, double(value)); break;
    case ft::Numeric: {
        if (field.decimals == 0) {
            std::string text = std::to_string(value);
            PutNumber(field, image, 0, &text);
            return;
        }
        PutNumber(field, image, double(value), nullptr);
        return;
    }
    case ft::AutoInc: Refuse(field, "autoincrement values are given by the table.");
    default: WrongKind(field, "numbers");
    }
    MarkNotNull(field, image);
}

void RecordLayout::SetDouble(size_t index, uint8_t* image, double value) const
{
    const FieldDesc& field = Checked(index, image);
    if (!std::isfinite(value))
        Refuse(field, "the value is not a finite number.");
    switch (field.type) {
    case ft::Double: case ft::CurDouble:
        codec::PutDouble(image + field.offset, value);
        MarkNotNull(field, image);
        return;
    case ft::Numeric: PutNumber(field, image, value, nullptr); return;
    case ft::Money: {
        std::optional<int64_t> amount = ParseScaled(ShortestText(value), 4);
        if (!amount)
            Refuse(field, "the value is out of range.");
        PutU64(image + field.offset, uint64_t(*amount));
        MarkNotNull(field, image);
        return;
    }
    default:
        if (IsIntegerType(field.type) || field.type == ft::Logical) {
            if (!(std::fabs(value) < 9.2e18))
                Refuse(field, "the value is out of range.");
            SetInteger(index, image, std::llround(value));
            return;
        }
        WrongKind(field, "numbers");
    }
}

void RecordLayout::SetJulian(size_t index, uint8_t* image, int32_t julian) const
{
    const FieldDesc& field = Checked(index, image);
    uint8_t* p = image + field.offset;
    if (julian <= 0 && field.type != ft::Time)
        Refuse(field, "Julian day " + std::to_string(julian) + " is not a date.");
    switch (field.type) {
    case ft::Date:
        if (field.length == 4) {
            PutU32(p, uint32_t(julian));
        } else {
            CivilDate date = CivilFromJulian(julian);
            if (date.year < 1 || date.year > 9999)
                Refuse(field, "the year is outside 1 to 9999.");
            std::string text = DateText(julian);
            std::copy(text.begin(), text.end(), p);
        }
        break;
    case ft::CompactDate: {
        CivilDate date = CivilFromJulian(julian);
        if (date.year < 1 || date.year > 9999)
            Refuse(field, "the year is outside 1 to 9999.");
        JulianToCompact(p, julian);
        break;
    }
    case ft::TimeStamp: case ft::ModTime: {
        bool wasNull = IsNull(index, image);
        PutU32(p, uint32_t(julian));
        if (wasNull)
            PutU32(p + 4, 0);
        break;
    }
    default: WrongKind(field, "dates");
    }
    MarkNotNull(field, image);
}

void RecordLayout::SetMilliseconds(size_t index, uint8_t* image, int32_t milliseconds) const
{
    const FieldDesc& field = Checked(index, image);
    if (milliseconds < 0 || milliseconds >= kMillisecondsPerDay)
        Refuse(field, std::to_string(milliseconds) + " milliseconds is not a time of day.");
    uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::Time: PutU32(p, uint32_t(milliseconds)); break;
    case ft::TimeStamp: case ft::ModTime: PutU32(p + 4, uint32_t(milliseconds)); break;
    default: WrongKind(field, "times");
    }
    MarkNotNull(field, image);
}

void RecordLayout::SetTimeStamp(size_t index, uint8_t* image, TimeStampValue value) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.type == ft::Date || field.type == ft::CompactDate) {
        SetJulian(index, image, value.julian);
        return;
    }
    if (field.type != ft::TimeStamp && field.type != ft::ModTime)
        WrongKind(field, "time stamps");
    if (value.milliseconds < 0 || value.milliseconds >= kMillisecondsPerDay)
        Refuse(field, std::to_string(value.milliseconds) + " milliseconds is not a time of day.");
    SetJulian(index, image, value.julian);
    SetMilliseconds(index, image, value.milliseconds);
}

void RecordLayout::SetRaw(size_t index, uint8_t* image, const uint8_t* data, size_t length) const
{
    const FieldDesc& field = Checked(index, image);
    uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::VarChar: case ft::VarBinary: case ft::NVarChar:
        PutVariable(field, image, data, length);
        return;
    case ft::String: case ft::CIString:
        PutText(field, image, Chars(data, length));
        return;
    case ft::Raw: case ft::NChar:
        if (length > field.length)
            Refuse(field, "the value of " + std::to_string(length) + " bytes is longer than the field ("
                              + std::to_string(field.length) + ").");
        if (field.type == ft::NChar)
            SetEmpty(index, image);
        else
            std::fill(p, p + field.length, uint8_t(0));
        std::copy(data, data + length, p);
        MarkNotNull(field, image);
        return;
    default:
        if (IsMemoType(field.type))
            Refuse(field, "memo values are written to the memo file.");
        if (length != field.length)
            Refuse(field, "a raw value must have exactly " + std::to_string(field.length) + " bytes.");
        std::copy(data, data + length, p);
        MarkNotNull(field, image);
        return;
    }
}

void RecordLayout::SetText(size_t index, uint8_t* image, std::string_view text) const
{
    const FieldDesc& field = Checked(index, image);
    auto refuseText = [&](const char* kind) {
        Refuse(field, "\"" + std::string(text) + "\" is not " + kind + ".");
    };
    if (IsMemoType(field.type))
        Refuse(field, "memo values are written to the memo file.");
    std::string trimmed = Trim(text);
    bool textual = field.type == ft::String || field.type == ft::CIString || field.type == ft::VarChar
        || field.type == ft::VarBinary || field.type == ft::Raw || field.type == ft::NChar
        || field.type == ft::NVarChar;
    if (trimmed.empty() && !textual) {
        SetEmpty(index, image);
        return;
    }
    switch (field.type) {
    case ft::Logical: {
        std::string t = codepage::UpperCase(codepage::CodePage::Ansi1252, trimmed);
        if (t == "T" || t == "Y" || t == "1" || t == ".T." || t == "TRUE")
            SetLogical(index, image, true);
        else if (t == "F" || t == "N" || t == "0" || t == ".F." || t == "FALSE")
            SetLogical(index, image, false);
        else
            refuseText("a logical value");
        return;
    }
    case ft::Numeric: {
        std::optional<double> value = ParseDouble(trimmed);
        if (!value)
            refuseText("a number");
        PutNumber(field, image, *value, nullptr);
        return;
    }
    case ft::Double: case ft::CurDouble: {
        std::optional<double> value = ParseDouble(trimmed);
        if (!value)
            refuseText("a number");
        SetDouble(index, image, *value);
        return;
    }
    case ft::Integer: case ft::ShortInt: case ft::LongInt: {
        std::optional<int64_t> value = ParseInteger(trimmed);
        if (!value)
            refuseText("an integer");
        SetInteger(index, image, *value);
        return;
    }
    case ft::Money: {
        std::optional<int64_t> amount = ParseScaled(trimmed, 4);
        if (!amount || *amount < -9223372036854775807LL)
            refuseText("an amount of money in range");
        PutU64(image + field.offset, uint64_t(*amount));
        MarkNotNull(field, image);
        return;
    }
    case ft::Date: case ft::CompactDate: {
        std::optional<int32_t> julian = ParseDateText(trimmed);
        if (!julian)
            refuseText("a date (YYYYMMDD)");
        SetJulian(index, image, *julian);
        return;
    }
    case ft::Time: {
        std::optional<int32_t> ms = ParseTimeText(trimmed);
        if (!ms)
            refuseText("a time (HH:MM:SS.mmm)");
        SetMilliseconds(index, image, *ms);
        return;
    }
    case ft::TimeStamp: case ft::ModTime: {
        size_t blank = trimmed.find_first_of(" T");
        std::optional<int32_t> julian = ParseDateText(trimmed.substr(0, blank));
        std::optional<int32_t> ms = blank == std::string::npos ? std::optional<int32_t>(0)
                                                               : ParseTimeText(trimmed.substr(blank + 1));
        if (!julian || !ms)
            refuseText("a time stamp (YYYYMMDD HH:MM:SS.mmm)");
        SetTimeStamp(index, image, {*julian, *ms});
        return;
    }
    case ft::AutoInc: Refuse(field, "autoincrement values are given by the table.");
    case ft::String: case ft::CIString: case ft::VarChar: {
        std::string stored = field.binary ? std::string(text) : FromAnsi(text);
        if (field.type == ft::VarChar)
            PutVariable(field, image, reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
        else
            PutText(field, image, stored);
        return;
    }
    case ft::NChar: case ft::NVarChar: {
        std::vector<uint8_t> wide = AnsiToUtf16(text);
        SetRaw(index, image, wide.data(), wide.size());
        return;
    }
    default:
        SetRaw(index, image, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return;
    }
}

} // namespace storage
