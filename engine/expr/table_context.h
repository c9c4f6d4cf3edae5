// TableContext: the RecordContext of a table's record layout and one record
// image: a storage::Table, or an in-memory result that uses the same layout
// and keeps its memos elsewhere.
//
// The field list is built once from the layout; SetRecord points the
// context at the image of the record to evaluate (the context does not copy
// it: the image must live while expressions are evaluated on it). Values are
// decoded with the storage layer's readers:
// - text in the table's character set with the blanks of fixed-width fields
//   (Unicode columns converted to it), memos read from the memo file;
// - DBF tables (NTX, CDX) have no NULL: blank fields read as blanks, 0, the
//   empty date or .F.;
// - VFP tables are NULL only where the field's null flag says so;
// - ADT tables are NULL by the stored null patterns, except where that
//   pattern is also the stored empty value (fixed character fields, dates,
//   memos): those read as the empty value, so `NAME = ''` and
//   `BIRTH = CTOD('')` find them.
#pragma once

#include "engine/expr/record_context.h"
#include "engine/storage/table.h"

#include <functional>
#include <string>
#include <vector>

namespace expr {

class TableContext : public RecordContext {
public:
    // Reads the value of memo-type field `index` of the record in `image`, as
    // storage::Table::ReadMemo gives it.
    using MemoReader = std::function<std::vector<uint8_t>(size_t index, const uint8_t* image)>;

    // The table must outlive the context.
    explicit TableContext(const storage::Table& table, std::string alias = {});
    // A layout without a table file; `memos` may be empty when it has no memo fields.
    TableContext(storage::RecordLayout layout, MemoReader memos, std::string alias = {});

    void SetRecord(const uint8_t* image, uint32_t recordNumber)
    {
        mImage = image;
        mRecordNumber = recordNumber;
    }
    void SetExact(bool exact) { mExact = exact; }
    void SetDateFormat(std::string mask) { mDateFormat = std::move(mask); }

    const std::vector<FieldInfo>& Fields() const override { return mFields; }
    std::string Alias() const override { return mAlias; }
    codepage::CodePage CharSet() const override { return mPage; }
    bool Exact() const override { return mExact; }
    std::string DateFormat() const override { return mDateFormat; }

    Value FieldValue(size_t index) const override;
    bool IsDeleted() const override;
    uint32_t RecordNumber() const override { return mRecordNumber; }

    // How an engine field type reads in expressions.
    static ValueType TypeOf(uint16_t engineType);

private:
    const uint8_t* Image() const;
    bool IsNull(size_t index) const;
    Value TextValue(size_t index, ValueType type) const;
    std::vector<uint8_t> Memo(size_t index, const uint8_t* image) const;
    std::string FromAnsi(const std::string& ansi) const;

    storage::RecordLayout mLayout;
    MemoReader mMemos;
    std::vector<FieldInfo> mFields;
    std::string mAlias;
    codepage::CodePage mPage;
    bool mExact = false;
    std::string mDateFormat = "MM/DD/CCYY";
    const uint8_t* mImage = nullptr;
    uint32_t mRecordNumber = 0;
};

} // namespace expr
