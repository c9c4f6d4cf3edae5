// Compiling and evaluating whole expressions and index keys.
#include "engine/expr/expression.h"

#include "engine/expr/ast.h"
#include "engine/expr/compiler.h"
#include "engine/expr/date_text.h"
#include "engine/expr/evaluator.h"
#include "engine/expr/lexer.h"

namespace expr {

namespace {

std::string FaultText(std::string_view expression, size_t position, const std::string& problem)
{
    std::string text = problem + " in the expression '" + std::string(expression) + "'";
    if (position > 0)
        text += " at position " + std::to_string(position);
    return text + ".";
}

bool UsesClock(const Node& node)
{
    return node.volatileValue;
}

// Keys and FOR conditions are maintained on every write: what they give for a
// record must not change while the record does not.
void CheckStable(const Node& root, std::string_view text, uint32_t code, const char* what)
{
    if (UsesClock(root))
        throw ExpressionError(code, text, 0, std::string(what) + " cannot use DATE() or TIME()");
}

void CheckKeyType(const Node& root, std::string_view text)
{
    CheckStable(root, text, kErrInvalidKey, "An index key");
    switch (root.type) {
    case ValueType::Memo:
        throw ExpressionError(kErrInvalidKey, text, root.position,
                              "A memo field cannot be a key by itself; use LEFT, SUBSTR or PADR");
    case ValueType::Null:
        throw ExpressionError(kErrInvalidKey, text, root.position, "A key cannot be NULL");
    case ValueType::Character:
        if (root.width <= 0)
            throw ExpressionError(kErrInvalidKey, text, root.position,
                                  root.width == 0 ? "The key has a length of zero"
                                                  : "The key's length is not fixed: give constant lengths");
        break;
    default: break;
    }
}

uint32_t SegmentWidth(const Node& root)
{
    switch (root.type) {
    case ValueType::Character: return uint32_t(root.width);
    case ValueType::Logical: return 1;
    default: return 8;
    }
}

// The ";"-separated parts of a segment list, outside literals and parentheses.
// Each part is a view into `text`, so its offset in the whole is known.
std::vector<std::string_view> SplitSegments(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    int depth = 0;
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ';' && depth == 0) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

ExpressionError::ExpressionError(uint32_t code, std::string_view expression, size_t position,
                                 const std::string& problem)
    : storage::StorageError(code, FaultText(expression, position, problem)), mPosition(position), mProblem(problem)
{
}

char TypeLetter(ValueType t)
{
    switch (t) {
    case ValueType::Character: return 'C';
    case ValueType::Memo: return 'M';
    case ValueType::Number: return 'N';
    case ValueType::Date: return 'D';
    case ValueType::Time: return 'T';
    case ValueType::TimeStamp: return 'S';
    case ValueType::Logical: return 'L';
    default: return 'U';
    }
}

std::optional<FieldInfo> RecordContext::FindField(std::string_view name) const
{
    std::string wanted = UpperAscii(name);
    for (const FieldInfo& f : Fields())
        if (UpperAscii(f.name) == wanted)
            return f;
    return std::nullopt;
}

Expression Expression::Compile(std::string_view text, const RecordContext& schema, Purpose purpose)
{
    Expression e;
    e.mText = std::string(text);
    e.mMask = std::make_shared<const DateMask>(schema.DateFormat());
    e.mPurpose = purpose;
    e.mExact = schema.Exact();
    EvalSettings settings{e.mText, e.mMask.get(), schema.CharSet(), e.mExact, purpose == Purpose::Key};
    std::unique_ptr<Node> root = CompileTree(e.mText, schema, purpose, settings);
    if (purpose == Purpose::Filter || purpose == Purpose::Condition) {
        if (root->type != ValueType::Logical && root->type != ValueType::Null)
            throw ExpressionError(kErrNotLogical, e.mText, 0, std::string("The expression is not logical (its type is ")
                                                                  + TypeLetter(root->type) + ")");
    }
    if (purpose == Purpose::Condition)
        CheckStable(*root, e.mText, kErrInvalidKey, "An index condition");
    if (purpose == Purpose::Key)
        CheckKeyType(*root, e.mText);
    e.mRoot = std::move(root);
    return e;
}

Value Expression::Evaluate(const RecordContext& record) const
{
    EvalSettings settings{mText, mMask.get(), record.CharSet(), mExact, mPurpose == Purpose::Key};
    Evaluator evaluator(&record, settings);
    Value v = evaluator.Eval(*mRoot);
    if (v.type == ValueType::Memo)
        v.type = mRoot->type;
    return v;
}

ValueType Expression::Type() const { return mRoot->type; }
int32_t Expression::Width() const { return mRoot->type == ValueType::Character ? mRoot->width : -1; }
bool Expression::IsConstant() const { return mRoot->IsConstant(); }

namespace {

Relation RelationOf(Op op)
{
    switch (op) {
    case Op::Equal: return Relation::Equal;
    case Op::ExactEqual: return Relation::ExactEqual;
    case Op::NotEqual: return Relation::NotEqual;
    case Op::Less: return Relation::Less;
    case Op::LessEqual: return Relation::LessEqual;
    case Op::Greater: return Relation::Greater;
    case Op::GreaterEqual: return Relation::GreaterEqual;
    default: return Relation::None;
    }
}

void CollectTerms(const Node& node, const std::string& text, std::vector<FilterTerm>& terms)
{
    if (node.op == Op::And) {
        CollectTerms(*node.args[0], text, terms);
        CollectTerms(*node.args[1], text, terms);
        return;
    }
    FilterTerm term;
    term.text = text.substr(node.begin, node.end - node.begin);
    Relation relation = RelationOf(node.op);
    if (relation != Relation::None && !node.args[0]->IsConstant() && node.args[1]->IsConstant()
        && !node.args[1]->literal.null && !node.args[0]->volatileValue) {
        const Node& subject = *node.args[0];
        term.relation = relation;
        term.subject = text.substr(subject.begin, subject.end - subject.begin);
        term.constant = node.args[1]->literal;
    }
    terms.push_back(std::move(term));
}

} // namespace

std::vector<FilterTerm> Expression::AndTerms() const
{
    std::vector<FilterTerm> terms;
    CollectTerms(*mRoot, mText, terms);
    return terms;
}

bool IsLogicalExpression(std::string_view text, const RecordContext& schema)
{
    try {
        ValueType t = Expression::Compile(text, schema).Type();
        return t == ValueType::Logical;
    } catch (const ExpressionError&) {
        return false;
    }
}

KeyExpression KeyExpression::Compile(std::string_view text, const RecordContext& schema)
{
    KeyExpression key;
    std::vector<std::string_view> parts = SplitSegments(text);
    if (parts.size() > 1 && schema.Fields().empty())
        throw ExpressionError(kErrInvalidKey, text, 0, "A segment list needs a table");
    for (std::string_view part : parts) {
        try {
            key.mParts.push_back(Expression::Compile(part, schema, Purpose::Key));
        } catch (const ExpressionError& e) {
            if (parts.size() == 1)
                throw;
            // Report the place in the whole list, not in the segment.
            size_t offset = size_t(part.data() - text.data());
            throw ExpressionError(e.Code(), text, e.Position() + offset, e.Problem());
        }
        const Node& root = *key.mParts.back().mRoot;
        key.mSegments.push_back({root.type, SegmentWidth(root)});
    }
    return key;
}

uint32_t KeyExpression::Length() const
{
    uint32_t total = 0;
    for (const KeySegment& s : mSegments)
        total += s.width;
    return total;
}

std::vector<Value> KeyExpression::Evaluate(const RecordContext& record) const
{
    std::vector<Value> values;
    values.reserve(mParts.size());
    for (size_t i = 0; i < mParts.size(); ++i) {
        Value v = mParts[i].Evaluate(record);
        if (v.type == ValueType::Character && !v.null)
            v.text.resize(mSegments[i].width, ' ');
        values.push_back(std::move(v));
    }
    return values;
}

} // namespace expr
