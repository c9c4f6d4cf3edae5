// Helpers shared by the expression tests: a real table in a temporary folder
// with records written through the storage layer, the context that evaluates
// expressions on its records, and a readable form of values.
#pragma once

#include "engine/expr/expression.h"
#include "engine/expr/table_context.h"
#include "engine/storage/table.h"
#include "engine/storage/value_codec.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace exprtest {

inline const char* KindName(storage::TableKind kind)
{
    switch (kind) {
    case storage::TableKind::NTX: return "NTX";
    case storage::TableKind::CDX: return "CDX";
    case storage::TableKind::ADT: return "ADT";
    case storage::TableKind::VFP: return "VFP";
    }
    return "?";
}

constexpr storage::TableKind kAllKinds[] = {storage::TableKind::NTX, storage::TableKind::CDX,
                                             storage::TableKind::VFP, storage::TableKind::ADT};

// Field values by name as storage's text form ("20240315", "T", "12.5");
// std::nullopt writes NULL (blank on DBF). Fields not named stay blank.
using Row = std::map<std::string, std::optional<std::string>>;

class ExprTable {
public:
    ExprTable(storage::TableKind kind, const std::string& definition, const std::string& alias = "people",
              storage::CharType charType = storage::CharType::Ansi)
    {
        storage::CreateOptions options;
        options.charType = charType;
        options.open.charType = charType;
        mTable = storage::Table::Create(mFolder.file("people").toStdString(), kind, definition, options);
        mContext = std::make_unique<expr::TableContext>(*mTable, alias);
    }

    uint32_t Append(const Row& row, bool deleted = false)
    {
        const storage::RecordLayout& layout = mTable->Layout();
        std::vector<uint8_t> image = layout.BlankRecord();
        for (const auto& [name, value] : row) {
            int index = layout.FieldIndex(name);
            if (index < 0)
                throw std::runtime_error("no field " + name);
            const storage::FieldDesc& field = mTable->Fields()[size_t(index)];
            if (!value)
                layout.SetNull(size_t(index), image.data());
            else if (storage::IsMemoType(field.type))
                WriteMemo(size_t(index), field.type, image, *value);
            else
                layout.SetText(size_t(index), image.data(), *value);
        }
        uint32_t recno = mTable->AppendRecord(image.data());
        if (deleted)
            mTable->DeleteRecord(recno);
        return recno;
    }

    // Makes record `recno` the context's current record.
    expr::TableContext& At(uint32_t recno)
    {
        mImage = mTable->ReadRecord(recno);
        mContext->SetRecord(mImage.data(), recno);
        return *mContext;
    }

    expr::TableContext& Context() { return *mContext; }
    storage::Table& Table() { return *mTable; }

    // Record numbers that `filter` accepts, scanning the table with one compiled expression.
    std::vector<uint32_t> Matching(const std::string& filter)
    {
        expr::Expression compiled = expr::Expression::Compile(filter, *mContext, expr::Purpose::Filter);
        std::vector<uint32_t> found;
        for (uint32_t recno = 1; recno <= mTable->RecordCount(); ++recno)
            if (compiled.Matches(At(recno)))
                found.push_back(recno);
        return found;
    }

private:
    // Unicode memos take UTF-16LE bytes; the others the text as given.
    void WriteMemo(size_t index, uint16_t type, std::vector<uint8_t>& image, const std::string& value)
    {
        std::string bytes = value;
        if (type == storage::ft::NMemo) {
            bytes.clear();
            for (char16_t unit : codepage::ToUtf16(codepage::CodePage::Ansi1252, value)) {
                bytes += char(unit & 0xFF);
                bytes += char(unit >> 8);
            }
        }
        mTable->WriteMemo(index, image.data(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    testsupport::TempFolder mFolder;
    std::unique_ptr<storage::Table> mTable;
    std::unique_ptr<expr::TableContext> mContext;
    std::vector<uint8_t> mImage;
};

// C and M values in quotes (trailing blanks visible), numbers shortest,
// dates {^yyyy-mm-dd} or {}, times T hh:mm:ss.mmm, timestamps {^... hh:mm:ss.mmm},
// logicals .T./.F., and NULL.
inline std::string Render(const expr::Value& v)
{
    using expr::ValueType;
    if (v.null)
        return "NULL";
    auto date = [](int32_t julian) {
        storage::codec::CivilDate d = storage::codec::CivilFromJulian(julian);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
        return std::string(text);
    };
    switch (v.type) {
    case ValueType::Character: case ValueType::Memo: return "'" + v.text + "'";
    case ValueType::Number: {
        char text[64];
        std::snprintf(text, sizeof text, "%.10g", v.number);
        return text;
    }
    case ValueType::Date: return v.julian == 0 ? "{}" : "{^" + date(v.julian) + "}";
    case ValueType::Time: return "T " + storage::codec::TimeText(v.ms);
    case ValueType::TimeStamp:
        return v.julian == 0 ? "{ }" : "{^" + date(v.julian) + " " + storage::codec::TimeText(v.ms) + "}";
    case ValueType::Logical: return v.logical ? ".T." : ".F.";
    default: return "?";
    }
}

// An expression and the Render() form of its value.
struct Case {
    const char* expression;
    const char* expected;
};

inline std::string Eval(const std::string& text, const expr::RecordContext& context)
{
    return Render(expr::Expression::Compile(text, context).Evaluate(context));
}

// Checks each case on the context's current record.
template <size_t N>
void ExpectCases(const Case (&cases)[N], const expr::RecordContext& context)
{
    for (const Case& c : cases)
        EXPECT_EQ(Eval(c.expression, context), c.expected) << c.expression;
}

} // namespace exprtest
