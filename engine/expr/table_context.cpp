#include "engine/expr/table_context.h"

#include "engine/expr/expr_error.h"
#include "engine/storage/value_codec.h"

namespace expr {

namespace ft = storage::ft;
using storage::TableKind;

namespace {

bool IsUnicode(uint16_t type) { return type == ft::NChar || type == ft::NVarChar || type == ft::NMemo; }

// ADT types whose null pattern is also what an empty value is stored as.
bool NullIsEmpty(uint16_t type)
{
    return type == ft::String || type == ft::CIString || type == ft::NChar || type == ft::Raw
        || type == ft::Date || type == ft::CompactDate || storage::IsMemoType(type);
}

std::u16string Utf16(const std::vector<uint8_t>& bytes)
{
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

} // namespace

ValueType TableContext::TypeOf(uint16_t engineType)
{
    switch (engineType) {
    case ft::Logical: return ValueType::Logical;
    case ft::Numeric: case ft::Double: case ft::Integer: case ft::ShortInt: case ft::AutoInc:
    case ft::CurDouble: case ft::Money: case ft::LongInt:
        return ValueType::Number;
    case ft::Date: case ft::CompactDate: return ValueType::Date;
    case ft::Time: return ValueType::Time;
    case ft::TimeStamp: case ft::ModTime: return ValueType::TimeStamp;
    default: return storage::IsMemoType(engineType) ? ValueType::Memo : ValueType::Character;
    }
}

TableContext::TableContext(const storage::Table& table, std::string alias)
    : TableContext(table.Layout(),
                   [&table](size_t index, const uint8_t* image) { return table.ReadMemo(index, image); },
                   std::move(alias))
{
}

TableContext::TableContext(storage::RecordLayout layout, MemoReader memos, std::string alias)
    : mLayout(std::move(layout)), mMemos(std::move(memos)), mAlias(std::move(alias)),
      mPage(mLayout.GetCharType() == storage::CharType::Oem ? codepage::CodePage::Oem850
                                                            : codepage::CodePage::Ansi1252)
{
    const std::vector<storage::FieldDesc>& fields = mLayout.Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const storage::FieldDesc& f = fields[i];
        FieldInfo info;
        info.index = i;
        info.name = f.name;
        info.engineType = f.type;
        info.type = TypeOf(f.type);
        info.width = IsUnicode(f.type) ? f.length / 2 : f.length;
        info.decimals = f.decimals;
        info.numericWidth = f.type == ft::Numeric ? f.length : 0;
        info.caseInsensitive = f.type == ft::CIString;
        mFields.push_back(std::move(info));
    }
}

const uint8_t* TableContext::Image() const
{
    if (!mImage)
        throw storage::StorageError(storage::kErrNoCurrentRecord,
                                    "There is no current record to evaluate the expression on.");
    return mImage;
}

bool TableContext::IsDeleted() const { return storage::RecordLayout::IsDeleted(Image()); }

bool TableContext::IsNull(size_t index) const
{
    const storage::RecordLayout& layout = mLayout;
    switch (mLayout.Kind()) {
    case TableKind::NTX: case TableKind::CDX: return false;
    case TableKind::VFP: return layout.GetNullFlag(index, Image());
    case TableKind::ADT: return !NullIsEmpty(mFields[index].engineType) && layout.IsNull(index, Image());
    }
    return false;
}

std::string TableContext::FromAnsi(const std::string& ansi) const
{
    return mPage == codepage::CodePage::Ansi1252 ? ansi : codepage::Convert(codepage::CodePage::Ansi1252, mPage, ansi);
}

std::vector<uint8_t> TableContext::Memo(size_t index, const uint8_t* image) const
{
    if (!mMemos)
        throw storage::StorageError(storage::kErrNotSupported, "Field " + mLayout.Fields()[index].name
                                                                   + ": this table keeps no memo values.");
    return mMemos(index, image);
}

Value TableContext::TextValue(size_t index, ValueType type) const
{
    const storage::FieldDesc& f = mLayout.Fields()[index];
    const uint8_t* image = Image();
    const storage::RecordLayout& layout = mLayout;
    std::vector<uint8_t> bytes = storage::IsMemoType(f.type) ? Memo(index, image) : layout.GetRaw(index, image);
    std::string text;
    if (IsUnicode(f.type)) {
        text = codepage::FromUtf16(mPage, Utf16(bytes));
    } else {
        text.assign(bytes.begin(), bytes.end());
        // Text memos come from storage in Windows-1252; put them back into the table's set.
        if (storage::IsTextMemoType(f.type) && !f.binary)
            text = FromAnsi(text);
    }
    if (f.type == ft::String || f.type == ft::CIString || f.type == ft::NChar) {
        // A fixed field is its whole width: an ADT empty value is stored as zeros.
        for (char& c : text)
            if (c == '\0')
                c = ' ';
        text.resize(mFields[index].width, ' ');
    }
    return Value::Text(std::move(text), type);
}

Value TableContext::FieldValue(size_t index) const
{
    if (index >= mFields.size())
        throw storage::StorageError(storage::kErrFieldNotFound,
                                    "The table has no field number " + std::to_string(index + 1) + ".");
    const FieldInfo& info = mFields[index];
    if (IsNull(index))
        return Value::Null(info.type);
    const uint8_t* image = Image();
    const storage::RecordLayout& layout = mLayout;
    switch (info.type) {
    case ValueType::Logical: return Value::Logical(layout.GetLogical(index, image));
    case ValueType::Number: return Value::Number(layout.GetDouble(index, image));
    case ValueType::Date: return Value::Date(layout.GetJulian(index, image));
    case ValueType::Time: return Value::Time(layout.GetMilliseconds(index, image));
    case ValueType::TimeStamp: {
        storage::TimeStampValue ts = layout.GetTimeStamp(index, image);
        return Value::TimeStamp(ts.julian, ts.milliseconds);
    }
    default: return TextValue(index, info.type);
    }
}

} // namespace expr
