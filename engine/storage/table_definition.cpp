#include "engine/storage/table_definition.h"

#include "engine/storage/storage_error.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace storage {

namespace {

struct TypeNameEntry {
    const char* name;
    uint16_t type;
    bool needsLength;
    char letter;
};

constexpr TypeNameEntry kTypeNames[] = {
    {"Char", ft::String, true, 0},       {"Character", ft::String, true, 0},
    {"CIChar", ft::CIString, true, 0},   {"Num", ft::Numeric, true, 0},
    {"Numeric", ft::Numeric, true, 0},   {"Float", ft::Numeric, true, 'F'},
    {"Logical", ft::Logical, false, 0},  {"Date", ft::Date, false, 0},
    {"CompactDate", ft::CompactDate, false, 0}, {"Time", ft::Time, false, 0},
    {"TimeStamp", ft::TimeStamp, false, 0}, {"ModTime", ft::ModTime, false, 0},
    {"ShortInt", ft::ShortInt, false, 0}, {"Integer", ft::Integer, false, 0},
    {"LongInt", ft::LongInt, false, 0},  {"AutoInc", ft::AutoInc, false, 0},
    {"Double", ft::Double, false, 0},    {"CurDouble", ft::CurDouble, false, 0},
    {"Money", ft::Money, false, 0},      {"Currency", ft::Money, false, 0},
    {"Raw", ft::Raw, true, 0},           {"VarChar", ft::VarChar, true, 0},
    {"VarBinary", ft::VarBinary, true, 0}, {"Memo", ft::Memo, false, 0},
    {"Binary", ft::Binary, false, 0},    {"Blob", ft::Binary, false, 0},
    {"Image", ft::Image, false, 0},      {"NChar", ft::NChar, true, 0},
    {"NVarChar", ft::NVarChar, true, 0}, {"NMemo", ft::NMemo, false, 0},
};

std::string Trim(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(Trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

const TypeNameEntry* FindType(const std::string& name)
{
    std::string wanted = Upper(name);
    for (const auto& entry : kTypeNames)
        if (Upper(entry.name) == wanted)
            return &entry;
    return nullptr;
}

[[noreturn]] void Bad(const std::string& field, const std::string& problem)
{
    throw StorageError(kErrBadDefinition, "Bad definition of field " + field + ": " + problem);
}

uint32_t ParseNumber(const std::string& field, const std::string& text)
{
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        Bad(field, "\"" + text + "\" is not a number.");
    return value;
}

FieldSpec ParseEntry(const std::string& entry)
{
    std::vector<std::string> parts = Split(entry, ',');
    FieldSpec spec;
    spec.name = parts[0];
    if (spec.name.empty())
        throw StorageError(kErrBadDefinition, "Bad table definition: the entry \"" + entry
                                                  + "\" has no field name.");
    if (parts.size() < 2 || parts[1].empty())
        Bad(spec.name, "no field type is given.");
    const TypeNameEntry* type = FindType(parts[1]);
    if (!type)
        throw StorageError(kErrUnknownFieldType, "Bad definition of field " + spec.name
                                                     + ": unknown field type \"" + parts[1] + "\".");
    spec.type = type->type;
    spec.letter = type->letter;
    std::vector<uint32_t> numbers;
    for (size_t i = 2; i < parts.size(); ++i) {
        std::string word = Upper(parts[i]);
        if (word == "NULL")
            spec.nullable = true;
        else if (word == "NOT NULL")
            spec.nullable = false;
        else if (!parts[i].empty() || i + 1 < parts.size())
            numbers.push_back(ParseNumber(spec.name, parts[i]));
    }
    if (numbers.size() > 2)
        Bad(spec.name, "too many numbers.");
    if (type->needsLength) {
        if (numbers.empty() || numbers[0] == 0)
            Bad(spec.name, "type " + std::string(type->name) + " needs a length.");
        spec.length = numbers[0];
        spec.hasLength = true;
        if (numbers.size() > 1)
            spec.decimals = uint16_t(std::min<uint32_t>(numbers[1], 0xFFFF));
    } else if (!numbers.empty()) {
        // Fixed-size types: a lone number is the display decimals (Double,6).
        spec.decimals = uint16_t(std::min<uint32_t>(numbers.back(), 0xFFFF));
    }
    return spec;
}

} // namespace

std::vector<FieldSpec> ParseDefinition(std::string_view text)
{
    std::vector<FieldSpec> specs;
    for (const std::string& entry : Split(text, ';')) {
        if (entry.empty())
            continue;
        specs.push_back(ParseEntry(entry));
    }
    if (specs.empty())
        throw StorageError(kErrBadDefinition, "Bad table definition: no fields are defined.");
    for (size_t i = 0; i < specs.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (Upper(specs[i].name) == Upper(specs[j].name))
                Bad(specs[i].name, "the name is used twice.");
    return specs;
}

std::string TypeName(uint16_t type)
{
    for (const auto& entry : kTypeNames)
        if (entry.type == type)
            return entry.name;
    return {};
}

} // namespace storage
