#include "engine/core/cursor_filter.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/expr/lexer.h"
#include "engine/index/fts_index.h"
#include "engine/index/index_file.h"
#include "engine/index/index_order.h"
#include "platform/codepage/codepage.h"

#include <algorithm>

namespace engine {

namespace {

expr::TableContext ContextOf(const storage::Table& table, const FilterSettings& settings)
{
    expr::TableContext context(table);
    context.SetExact(settings.exact);
    context.SetDateFormat(settings.dateMask);
    return context;
}

// ---- Reading a filter text's structure ----------------------------------------

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Walks `text` outside literals, calling `at(i, depth)` for each character
// at parenthesis depth `depth`; stops when `at` returns true.
template <class At>
void ScanOutsideLiterals(std::string_view text, At at)
{
    char close = 0;
    int depth = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (close) {
            if (c == close)
                close = 0;
            continue;
        }
        if (c == '\'' || c == '"')
            close = c;
        else if (c == '[')
            close = ']';
        else if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (at(i, depth))
            return;
    }
}

// Length of an OR operator ("OR" as a word, or ".OR.") at `i`, or 0.
size_t OrOperatorAt(std::string_view text, size_t i)
{
    if (text.size() - i >= 4 && text[i] == '.' && expr::UpperAscii(text.substr(i, 4)) == ".OR.")
        return 4;
    bool wordBefore = i > 0 && expr::IsWordChar(text[i - 1]);
    bool wordAfter = i + 2 < text.size() && expr::IsWordChar(text[i + 2]);
    if (!wordBefore && !wordAfter && text.size() - i >= 2 && expr::UpperAscii(text.substr(i, 2)) == "OR")
        return 2;
    return 0;
}

// The operands of the OR operators at the top level of `text` (one part
// when it has none).
std::vector<std::string_view> SplitTopLevelOr(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    size_t skipUntil = 0;
    ScanOutsideLiterals(text, [&](size_t i, int depth) {
        if (i < skipUntil || depth != 0)
            return false;
        if (size_t length = OrOperatorAt(text, i)) {
            parts.push_back(text.substr(start, i - start));
            start = skipUntil = i + length;
        }
        return false;
    });
    parts.push_back(text.substr(start));
    return parts;
}

// The text inside one pair of parentheses that encloses all of `text`.
std::optional<std::string_view> InsideParentheses(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() < 2 || text.front() != '(' || text.back() != ')')
        return std::nullopt;
    bool closedEarly = false;
    ScanOutsideLiterals(text, [&](size_t i, int depth) {
        closedEarly = depth == 0 && i + 1 < text.size();
        return closedEarly;
    });
    if (closedEarly)
        return std::nullopt;
    return text.substr(1, text.size() - 2);
}

// ---- Index ranges for terms -----------------------------------------------------

// The cursor's open orders whose tag can answer comparisons with `subject`.
std::optional<IndexRange> IndexFor(const std::string& subject,
                                   const std::vector<std::shared_ptr<IndexOrder>>& orders)
{
    std::string wanted = expr::UpperAscii(Trimmed(subject));
    for (const auto& order : orders) {
        const indexing::Tag& tag = order->Tag();
        // A tag that may lack records (FOR, WHILE, custom) cannot narrow.
        if (tag.SegmentCount() != 1 || !tag.Definition().condition.empty()
            || !tag.Definition().whileCondition.empty() || tag.IsCustom() || tag.IsDescending() || tag.IsDamaged())
            continue;
        if (expr::UpperAscii(Trimmed(tag.Definition().expression)) == wanted)
            return IndexRange{order->SharedFile(), order->SharedTag(), {}, {}};
    }
    return std::nullopt;
}

bool TypesAgree(expr::ValueType segment, expr::ValueType constant)
{
    if (expr::IsText(segment))
        return expr::IsText(constant);
    return segment == constant;
}

// The key bytes a character constant bounds: without trailing blanks,
// upper-cased for a case-insensitive segment. Null when the index cannot
// bound it safely (longer than the key, or control bytes whose order against
// the key's padding blanks differs from the comparison's).
std::optional<std::string> TextBound(const expr::Value& constant, const indexing::SegmentCoding& coding,
                                     codepage::CodePage page)
{
    size_t last = constant.text.find_last_not_of(' ');
    std::string text = last == std::string::npos ? std::string() : constant.text.substr(0, last + 1);
    if (text.size() > coding.segment.width)
        return std::nullopt;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    if (coding.caseInsensitive)
        codepage::UpperCaseInPlace(page, text.data(), text.size());
    return text;
}

// A case-sensitive key cannot answer a comparison that ignores case.
bool ComparesIgnoringCase(const std::string& subject, const indexing::SegmentCoding& coding,
                          const expr::TableContext& schema)
{
    if (coding.caseInsensitive)
        return false;
    for (const expr::FieldInfo& field : schema.Fields())
        if (field.caseInsensitive && expr::UpperAscii(subject).find(expr::UpperAscii(field.name)) != std::string::npos)
            return true;
    return false;
}

// What a plan may use: the filter's schema, the table (for its full-text
// indexes) and the cursor's open orders.
struct PlanSources {
    const expr::TableContext& schema;
    const storage::Table& table;
    const std::vector<std::shared_ptr<IndexOrder>>& orders;
};

std::optional<IndexPlan> RangePlan(const expr::FilterTerm& term, const expr::TableContext& schema,
                                   const std::vector<std::shared_ptr<IndexOrder>>& orders)
{
    if (term.relation == expr::Relation::None || term.relation == expr::Relation::NotEqual)
        return std::nullopt;
    std::optional<IndexRange> range = IndexFor(term.subject, orders);
    if (!range)
        return std::nullopt;
    const indexing::SegmentCoding& coding = range->tag->Codings()[0];
    if (!TypesAgree(coding.segment.type, term.constant.type))
        return std::nullopt;
    std::string bound;
    if (expr::IsText(coding.segment.type)) {
        if (ComparesIgnoringCase(term.subject, coding, schema))
            return std::nullopt;
        std::optional<std::string> text = TextBound(term.constant, coding, schema.CharSet());
        if (!text)
            return std::nullopt;
        bound = std::move(*text);
    } else {
        bound = indexing::EncodeSegment(term.constant, coding, schema.CharSet());
    }
    // Bounds are inclusive on purpose: the range is a superset, and the
    // candidates are checked against the expression anyway.
    switch (term.relation) {
    case expr::Relation::Less:
    case expr::Relation::LessEqual: range->high = bound; break;
    case expr::Relation::Greater:
    case expr::Relation::GreaterEqual: range->low = bound; break;
    default: range->low = range->high = bound; break;
    }
    return IndexPlan{IndexPlan::Kind::Range, std::move(*range), {}};
}

std::optional<IndexPlan> PlanOfText(std::string_view text, const PlanSources& sources);
std::optional<IndexPlan> WordsPlan(const expr::FilterTerm& term, const storage::Table& table);

std::optional<IndexPlan> PlanOfTerm(const expr::FilterTerm& term, const PlanSources& sources)
{
    if (term.relation != expr::Relation::None)
        return RangePlan(term, sources.schema, sources.orders);
    if (std::optional<IndexPlan> words = WordsPlan(term, sources.table))
        return words;
    return PlanOfText(term.text, sources);
}

std::optional<IndexPlan> CombinedPlan(IndexPlan::Kind kind, const std::vector<std::optional<IndexPlan>>& parts)
{
    IndexPlan plan{kind, {}, {}};
    for (const auto& part : parts) {
        if (!part)
            return std::nullopt;
        plan.parts.push_back(*part);
    }
    return plan;
}

// A plan that answers all of `text`, or none: an OR of answered parts, a
// parenthesised text, or an AND of answered terms.
std::optional<IndexPlan> PlanOfText(std::string_view text, const PlanSources& sources)
{
    std::vector<std::string_view> alternatives = SplitTopLevelOr(text);
    if (alternatives.size() > 1) {
        std::vector<std::optional<IndexPlan>> parts;
        for (std::string_view alternative : alternatives)
            parts.push_back(PlanOfText(alternative, sources));
        return CombinedPlan(IndexPlan::Kind::Or, parts);
    }
    if (std::optional<std::string_view> inner = InsideParentheses(text))
        return PlanOfText(*inner, sources);
    std::vector<expr::FilterTerm> terms;
    try {
        terms = expr::Expression::Compile(text, sources.schema, expr::Purpose::Filter).AndTerms();
    } catch (const expr::ExpressionError&) {
        return std::nullopt;
    }
    if (terms.size() == 1)
        return terms[0].relation == expr::Relation::None ? WordsPlan(terms[0], sources.table)
                                                         : RangePlan(terms[0], sources.schema, sources.orders);
    std::vector<std::optional<IndexPlan>> parts;
    for (const expr::FilterTerm& term : terms)
        parts.push_back(PlanOfTerm(term, sources));
    return CombinedPlan(IndexPlan::Kind::And, parts);
}

// ---- Reading record sets from indexes -----------------------------------------

using RecordSet = std::vector<bool>;

// Whether the range's tag is still kept up to date with the table: its file
// open in the process, the tag still in it and sound. Only then can it
// narrow the candidates; otherwise every record is one.
// The file's mutex must be held; the registry is asked before taking it.
bool StillKept(const IndexRange& range, bool fileOpen)
{
    if (!fileOpen || range.file->IsRemoved())
        return false;
    const auto& tags = range.file->Tags();
    return std::find(tags.begin(), tags.end(), range.tag) != tags.end() && !range.tag->IsDamaged();
}

RecordSet ReadRange(const IndexRange& range, const storage::Table& table, uint32_t count)
{
    std::vector<std::shared_ptr<indexing::IndexFile>> open = indexing::IndexFile::OpenFor(table.FileName());
    bool fileOpen = std::find(open.begin(), open.end(), range.file) != open.end();
    std::lock_guard<std::recursive_mutex> lock(range.file->Mutex());
    if (!StillKept(range, fileOpen))
        return RecordSet(count + 1, true);
    RecordSet set(count + 1, false);
    range.file->CatchUp(table);
    const indexing::EntrySet& entries = range.tag->Entries();
    auto it = range.low ? entries.lower_bound(indexing::Entry{*range.low, 0}) : entries.begin();
    for (; it != entries.end(); ++it) {
        if (range.high && indexing::ComparePrefix(it->key, *range.high) > 0)
            break;
        if (it->recno <= count)
            set[it->recno] = true;
    }
    return set;
}

// A CONTAINS term on a column that has a full-text index.
std::optional<IndexPlan> WordsPlan(const expr::FilterTerm& term, const storage::Table& table)
{
    std::optional<fts::ContainsTerm> contains = fts::ContainsTermOf(term.text);
    if (!contains || !fts::HasIndexOn(table, contains->field))
        return std::nullopt;
    IndexPlan plan;
    plan.kind = IndexPlan::Kind::Words;
    plan.words = WordsQuery{contains->field, contains->condition};
    return plan;
}

// The records the full-text index gives; every record when the index is
// gone or damaged since the filter was set.
RecordSet ReadWords(const WordsQuery& words, const storage::Table& table, uint32_t count)
{
    std::optional<std::vector<uint32_t>> found;
    try {
        found = fts::LookupContains(table, words.field, words.condition);
    } catch (const engine::EngineError&) {
    }
    if (!found)
        return RecordSet(count + 1, true);
    RecordSet set(count + 1, false);
    for (uint32_t recno : *found)
        if (recno <= count)
            set[recno] = true;
    return set;
}

RecordSet ReadPlan(const IndexPlan& plan, const storage::Table& table, uint32_t count)
{
    if (plan.kind == IndexPlan::Kind::Range)
        return ReadRange(plan.range, table, count);
    if (plan.kind == IndexPlan::Kind::Words)
        return ReadWords(plan.words, table, count);
    RecordSet set = ReadPlan(plan.parts[0], table, count);
    for (size_t i = 1; i < plan.parts.size(); ++i) {
        RecordSet other = ReadPlan(plan.parts[i], table, count);
        for (uint32_t recno = 1; recno <= count; ++recno)
            set[recno] = plan.kind == IndexPlan::Kind::And ? set[recno] && other[recno] : set[recno] || other[recno];
    }
    return set;
}

} // namespace

// ---- FilterExpression --------------------------------------------------------------

FilterExpression::FilterExpression(std::string text, const storage::Table& table, const FilterSettings& settings)
    : mContext(ContextOf(table, settings)), mExpression(expr::Expression::Compile(text, mContext, expr::Purpose::Filter))
{
}

bool FilterExpression::Matches(uint32_t recno, const uint8_t* image) const
{
    mContext.SetRecord(image, recno);
    return mExpression.Matches(mContext);
}

// ---- OptimizedFilter -----------------------------------------------------------------

OptimizedFilter::OptimizedFilter(std::string text, const storage::Table& table, const FilterSettings& settings,
                                 AofKind kind, const std::vector<std::shared_ptr<IndexOrder>>& orders)
    : mTable(table), mWhole(std::move(text), table, settings), mKind(kind)
{
    std::vector<expr::FilterTerm> terms = mWhole.Expression().AndTerms();
    mTermCount = terms.size();
    std::vector<IndexPlan> answered;
    const PlanSources sources{mWhole.Schema(), table, orders};
    for (const expr::FilterTerm& term : terms) {
        if (std::optional<IndexPlan> plan = PlanOfTerm(term, sources)) {
            answered.push_back(std::move(*plan));
            continue;
        }
        mUnoptimized += (mUnoptimized.empty() ? "" : " AND ") + std::string(Trimmed(term.text));
    }
    mAnswered = answered.size();
    if (answered.empty())
        mUnoptimized = mWhole.Text(); // all of it, as written
    if (answered.size() == 1)
        mPlan = std::move(answered[0]);
    else if (!answered.empty())
        mPlan = IndexPlan{IndexPlan::Kind::And, {}, std::move(answered)};
    Resolve();
}

uint16_t OptimizedFilter::Level() const
{
    if (mAnswered == 0)
        return ADS_OPTIMIZED_NONE;
    return mAnswered == mTermCount ? ADS_OPTIMIZED_FULL : ADS_OPTIMIZED_PART;
}

void OptimizedFilter::ReadCandidates()
{
    mResolvedCount = mTable.RecordCount();
    if (mPlan)
        mSelected = ReadPlan(*mPlan, mTable, mResolvedCount);
    else
        mSelected.assign(mResolvedCount + 1, true);
}

void OptimizedFilter::Resolve()
{
    ReadCandidates();
    if (mKind == AofKind::Dynamic)
        return;
    std::vector<uint8_t> image(mTable.RecordLength());
    for (uint32_t recno = 1; recno <= mResolvedCount; ++recno) {
        if (!mSelected[recno])
            continue;
        mTable.ReadRecord(recno, image.data());
        mSelected[recno] = mWhole.Matches(recno, image.data());
    }
}

void OptimizedFilter::CatchUp()
{
    if (mKind == AofKind::Dynamic && mPlan)
        ReadCandidates();
}

bool OptimizedFilter::Selected(uint32_t recno) const
{
    return recno <= mResolvedCount ? bool(mSelected[recno]) : mKind == AofKind::Dynamic;
}

bool OptimizedFilter::Accepts(uint32_t recno, const uint8_t* image) const
{
    return Selected(recno) && (mKind == AofKind::Fixed || mWhole.Matches(recno, image));
}

// ---- CursorFilters --------------------------------------------------------------------

bool CursorFilters::Accepts(const storage::Table& table, uint32_t recno) const
{
    // The record is read only when an expression has to judge it.
    if (mOptimized && !mOptimized->Selected(recno))
        return false;
    bool judged = mPlain || (mOptimized && mOptimized->Kind() != AofKind::Fixed);
    if (!judged)
        return true;
    std::vector<uint8_t> image = table.ReadRecord(recno);
    return AcceptsImage(recno, image.data());
}

bool CursorFilters::AcceptsImage(uint32_t recno, const uint8_t* image) const
{
    if (mOptimized && !mOptimized->Accepts(recno, image))
        return false;
    return !mPlain || mPlain->Matches(recno, image);
}

void CursorFilters::CatchUp()
{
    if (mOptimized)
        mOptimized->CatchUp();
}

} // namespace engine
