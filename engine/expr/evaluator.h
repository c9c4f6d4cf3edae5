// Evaluator: walks a compiled tree for one record.
//
// It carries what an evaluation needs besides the tree: the record (absent
// while constants are folded at compile time, when no field, DELETED() or
// RECNO() can occur), the bound exact setting and date mask, the table's
// character set, and whether a domain fault raises (index keys) or gives
// NULL (filters and everything else).
#pragma once

#include "engine/expr/ast.h"
#include "engine/expr/date_text.h"
#include "engine/expr/record_context.h"

#include <string>
#include <string_view>

namespace expr {

struct EvalSettings {
    std::string_view text;       // the expression, for error texts
    const DateMask* mask = nullptr;
    codepage::CodePage page = codepage::CodePage::Ansi1252;
    bool exact = false;
    bool raiseFaults = false;
};

class Evaluator {
public:
    Evaluator(const RecordContext* record, const EvalSettings& settings)
        : mRecord(record), mSettings(settings) {}

    Value Eval(const Node& node);
    const RecordContext& Record() const;
    const EvalSettings& Settings() const { return mSettings; }
    // A value outside the domain of `node`'s operation: raises when faults
    // raise, else the NULL of the node's type.
    Value Fault(const Node& node, const std::string& problem) const;

private:
    Value Arithmetic(const Node& node);
    Value Relation(const Node& node);
    Value Logic(const Node& node);

    const RecordContext* mRecord;
    EvalSettings mSettings;
};

// Three-way comparison of two character values under the rules of "=" with
// the given exact setting: exact off stops at the end of the right operand
// (a longer left side equals its prefix), exact on ignores trailing blanks.
int CompareText(std::string_view left, std::string_view right, bool exact);
// The same ignoring case in the code page.
int CompareTextIgnoreCase(codepage::CodePage page, std::string_view left, std::string_view right, bool exact);

} // namespace expr
