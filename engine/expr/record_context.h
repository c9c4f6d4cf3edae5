// RecordContext: what an expression sees of its table and current record.
//
// The compiler asks it for the field list (names, types, widths), the table's
// alias and character set, and the settings in force (exact comparison, date
// format); the evaluator asks it for the current record's field values,
// deletion mark and record number. Field names compare without regard to
// case. Values come back typed as FieldInfo::type says: text in the table's
// character set (fixed-width fields with their trailing blanks), numbers as
// doubles, dates as Julian days, times as milliseconds. A context answers for
// one record at a time; an Expression never keeps a reference to it.
#pragma once

#include "engine/expr/value.h"
#include "platform/codepage/codepage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace expr {

struct FieldInfo {
    size_t index = 0;             // the number the context's FieldValue takes
    std::string name;             // 8-bit text, as the table stores it
    uint16_t engineType = 0;      // engine field type code
    ValueType type = ValueType::Character;
    uint32_t width = 0;           // characters of a character field (Unicode: UTF-16 units)
    uint16_t decimals = 0;        // digits after the point of a numeric field
    uint32_t numericWidth = 0;    // width of a digits-as-text numeric field, 0 otherwise
    bool caseInsensitive = false; // compares without regard to case
};

class RecordContext {
public:
    virtual ~RecordContext() = default;

    virtual const std::vector<FieldInfo>& Fields() const = 0;
    // The table's alias for alias->field references; "" accepts only FIELD->.
    virtual std::string Alias() const { return {}; }
    virtual codepage::CodePage CharSet() const { return codepage::CodePage::Ansi1252; }
    // Exact string comparison (SET EXACT) and the date format mask
    // ("MM/DD/CCYY") in force. Compilation binds both into the expression.
    virtual bool Exact() const { return false; }
    virtual std::string DateFormat() const { return "MM/DD/CCYY"; }

    // The current record.
    virtual Value FieldValue(size_t index) const = 0;
    virtual bool IsDeleted() const = 0;
    virtual uint32_t RecordNumber() const = 0;

    // The field named `name` (case-insensitive), or nullopt.
    std::optional<FieldInfo> FindField(std::string_view name) const;
};

} // namespace expr
