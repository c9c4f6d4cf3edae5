#include "engine/core/field_access.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "platform/codepage/codepage.h"

namespace engine {

namespace {

constexpr codepage::CodePage kAnsi = codepage::CodePage::Ansi1252;

template <class Text>
Text Trimmed(Text text, uint16_t option, typename Text::value_type blank)
{
    if (option == ADS_LTRIM || option == ADS_TRIM) {
        size_t first = text.find_first_not_of(blank);
        text.erase(0, first == Text::npos ? text.size() : first);
    }
    if (option == ADS_RTRIM || option == ADS_TRIM) {
        size_t last = text.find_last_not_of(blank);
        text.erase(last == Text::npos ? 0 : last + 1);
    }
    return text;
}

void CheckTrimOption(uint16_t option)
{
    if (option > ADS_TRIM)
        throw EngineError(AE_INVALID_ARGUMENT, "The read option " + std::to_string(option)
                                                   + " is not one of 0 (none), 1, 2 and 3 (trims).");
}

bool IsFixedCharType(uint16_t type)
{
    return type == storage::ft::String || type == storage::ft::CIString;
}

} // namespace

bool IsUnicodeType(uint16_t type)
{
    return type == storage::ft::NChar || type == storage::ft::NVarChar || type == storage::ft::NMemo;
}

std::u16string UnitsFromLittleEndian(const std::vector<uint8_t>& bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return units;
}

std::vector<uint8_t> LittleEndianFromUnits(std::u16string_view units)
{
    std::vector<uint8_t> bytes(units.size() * 2);
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = uint8_t(units[i] & 0xFF);
        bytes[2 * i + 1] = uint8_t(units[i] >> 8);
    }
    return bytes;
}

std::vector<uint8_t> FieldBytes(Cursor& cursor, size_t field)
{
    const uint8_t* image = cursor.CurrentImage();
    if (storage::IsMemoType(cursor.Layout().Field(field).type))
        return cursor.Table().ReadMemo(field, image);
    return cursor.Layout().GetRaw(field, image);
}

std::u16string FieldUnits(Cursor& cursor, size_t field, uint16_t option)
{
    CheckTrimOption(option);
    uint16_t type = cursor.Layout().Field(field).type;
    if (IsUnicodeType(type))
        return Trimmed(UnitsFromLittleEndian(FieldBytes(cursor, field)), option, u' ');
    return codepage::ToUtf16(kAnsi, FieldText(cursor, field, option));
}

std::string FieldText(Cursor& cursor, size_t field, uint16_t option)
{
    CheckTrimOption(option);
    const storage::FieldDesc& desc = cursor.Layout().Field(field);
    if (IsUnicodeType(desc.type))
        return codepage::FromUtf16(kAnsi, FieldUnits(cursor, field, option));
    if (storage::IsMemoType(desc.type)) {
        std::vector<uint8_t> bytes = FieldBytes(cursor, field);
        return Trimmed(std::string(bytes.begin(), bytes.end()), option, ' ');
    }
    std::string text = cursor.Layout().GetText(field, cursor.CurrentImage());
    if (IsFixedCharType(desc.type) && text.size() < desc.length)
        text.append(desc.length - text.size(), ' ');
    return Trimmed(std::move(text), option, ' ');
}

uint32_t FieldDataLength(Cursor& cursor, size_t field)
{
    uint16_t type = cursor.Layout().Field(field).type;
    if (IsUnicodeType(type))
        return uint32_t(FieldBytes(cursor, field).size() / 2);
    if (storage::IsMemoType(type))
        return cursor.Table().MemoLength(field, cursor.CurrentImage());
    if (type == storage::ft::VarChar || type == storage::ft::VarBinary || type == storage::ft::Raw)
        return uint32_t(FieldBytes(cursor, field).size());
    return uint32_t(FieldText(cursor, field, ADS_NONE).size());
}

void SetFieldBytes(Cursor& cursor, size_t field, const uint8_t* data, size_t length, const char* function)
{
    uint8_t* image = cursor.EditImage(function);
    if (storage::IsMemoType(cursor.Layout().Field(field).type))
        cursor.Table().WriteMemo(field, image, data, length);
    else
        cursor.Layout().SetRaw(field, image, data, length);
}

void SetFieldUnits(Cursor& cursor, size_t field, std::u16string_view text, const char* function)
{
    if (!IsUnicodeType(cursor.Layout().Field(field).type))
        return SetFieldText(cursor, field, codepage::FromUtf16(kAnsi, text), function);
    std::vector<uint8_t> bytes = LittleEndianFromUnits(text);
    SetFieldBytes(cursor, field, bytes.data(), bytes.size(), function);
}

void SetFieldText(Cursor& cursor, size_t field, std::string_view text, const char* function)
{
    uint16_t type = cursor.Layout().Field(field).type;
    if (IsUnicodeType(type))
        return SetFieldUnits(cursor, field, codepage::ToUtf16(kAnsi, text), function);
    if (storage::IsMemoType(type))
        return SetFieldBytes(cursor, field, reinterpret_cast<const uint8_t*>(text.data()), text.size(), function);
    cursor.Layout().SetText(field, cursor.EditImage(function), text);
}

void SetFieldEmpty(Cursor& cursor, size_t field, const char* function)
{
    uint8_t* image = cursor.EditImage(function);
    if (storage::IsMemoType(cursor.Layout().Field(field).type))
        cursor.Table().WriteMemo(field, image, nullptr, 0);
    else
        cursor.Layout().SetEmpty(field, image);
}

} // namespace engine
