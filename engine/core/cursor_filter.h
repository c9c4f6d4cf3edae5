// Record filters of a cursor: a plain filter and an optimized filter, either
// of which may be set, and both at once.
//
// Invariants:
// - A filter is only ever set compiled: a text that does not compile to a
//   logical expression is refused by the constructor, so the filter already
//   in place stays.
// - A filter binds the exact-comparison setting and date format in force when
//   it is set; changing them later does not change what it selects.
// - A record passes the filters when every filter that is set accepts it.
//   The deletion rule is the cursor's, not the filters'.
// - An optimized filter splits its text into the terms AND joins at the top.
//   A term of the form `key relation constant` (or an OR of such terms, or an
//   AND of them in parentheses) whose key expression is that of an open,
//   plain, ascending single-segment index is answered by that index: its
//   record set is read from the index at once. A CONTAINS term on a column
//   with a full-text index is answered by that index, at the top or as a
//   part of such an OR or AND (an OR is answered only when every part is).
//   The index only narrows: it
//   gives a superset of the records the term accepts, and every candidate is
//   still checked against the whole expression, so what a filter selects
//   never depends on whether an index helped.
// - The three kinds differ in when the selection is made:
//   - dynamic: a record is visible when it is a candidate and matches now;
//     records appended since the set was read are candidates, and the set is
//     read again at every move to the top or bottom and on refresh;
//   - key set: the records that matched when the filter was set, as long as
//     they still match;
//   - fixed: the records that matched when the filter was set, whatever
//     changes later (until refresh).
//   The resolution asked for (immediate or dynamic) changes none of this:
//   the index part is always read at once, and it is cheap.
// - An index that is closed, deleted or damaged after the filter was set
//   no longer narrows anything: every record becomes a candidate again.
// - A filter holds a reference to the cursor's table and lives no longer.
#pragma once

#include "engine/expr/expression.h"
#include "engine/expr/table_context.h"
#include "engine/index/index_tag.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace indexing {
class IndexFile;
} // namespace indexing

namespace engine {

class IndexOrder;

// The settings a filter is compiled with.
struct FilterSettings {
    bool exact = false;
    std::string dateMask = "MM/DD/CCYY";
};

// A compiled logical expression with its own evaluation context.
class FilterExpression {
public:
    // Raises ExpressionError when `text` is not a logical expression of the table.
    FilterExpression(std::string text, const storage::Table& table, const FilterSettings& settings);

    const std::string& Text() const { return mExpression.Text(); }
    const expr::Expression& Expression() const { return mExpression; }
    const expr::TableContext& Schema() const { return mContext; }
    bool Matches(uint32_t recno, const uint8_t* image) const;

private:
    mutable expr::TableContext mContext;
    expr::Expression mExpression;
};

enum class AofKind : uint8_t { Dynamic, KeySet, Fixed };

// One index range: the entries whose key lies between the bounds, each bound
// compared with as many key bytes as it has (a missing bound is open).
struct IndexRange {
    std::shared_ptr<indexing::IndexFile> file;
    std::shared_ptr<indexing::Tag> tag;
    std::optional<std::string> low;
    std::optional<std::string> high;
};

// How an index answers a term: a range, the records a full-text index gives
// for CONTAINS(words.field, words.condition), or the AND / OR of sub-plans.
struct WordsQuery {
    std::string field;
    std::string condition;
};

struct IndexPlan {
    enum class Kind : uint8_t { Range, And, Or, Words } kind = Kind::Range;
    IndexRange range;
    std::vector<IndexPlan> parts;
    WordsQuery words = {};
};

class OptimizedFilter {
public:
    OptimizedFilter(std::string text, const storage::Table& table, const FilterSettings& settings, AofKind kind,
                    const std::vector<std::shared_ptr<IndexOrder>>& orders);

    const std::string& Text() const { return mWhole.Text(); }
    AofKind Kind() const { return mKind; }
    // ADS_OPTIMIZED_FULL, _PART or _NONE.
    uint16_t Level() const;
    // The terms no index answers, joined with " AND " ("" when fully optimised).
    const std::string& Unoptimized() const { return mUnoptimized; }

    // Whether the record is in the selection, without judging its values.
    bool Selected(uint32_t recno) const;
    bool Accepts(uint32_t recno, const uint8_t* image) const;
    // Reads the selection again (AdsRefreshAOF).
    void Resolve();
    // A dynamic filter reads its index set again; the others keep theirs.
    void CatchUp();

private:
    // The candidate records the indexes give (all records without a plan).
    void ReadCandidates();

    const storage::Table& mTable;
    FilterExpression mWhole;
    AofKind mKind;
    std::optional<IndexPlan> mPlan;
    size_t mTermCount = 0;
    size_t mAnswered = 0;
    std::string mUnoptimized;
    std::vector<bool> mSelected; // by record number; index 0 unused
    uint32_t mResolvedCount = 0; // records the selection covers
};

// What a cursor holds: at most one filter of each sort.
class CursorFilters {
public:
    bool Active() const { return mPlain || mOptimized; }
    const FilterExpression* Plain() const { return mPlain.get(); }
    OptimizedFilter* Optimized() const { return mOptimized.get(); }
    void SetPlain(std::unique_ptr<FilterExpression> filter) { mPlain = std::move(filter); }
    void SetOptimized(std::unique_ptr<OptimizedFilter> filter) { mOptimized = std::move(filter); }

    // Whether record `recno` of `table` passes (read from the table).
    bool Accepts(const storage::Table& table, uint32_t recno) const;
    // The same for a record image at hand (the current record with its edit).
    bool AcceptsImage(uint32_t recno, const uint8_t* image) const;
    void CatchUp();

private:
    std::unique_ptr<FilterExpression> mPlain;
    std::unique_ptr<OptimizedFilter> mOptimized;
};

} // namespace engine
