#include "engine/expr/compiler.h"

#include "engine/expr/functions.h"
#include "engine/expr/lexer.h"

#include <algorithm>
#include <string>

namespace expr {

namespace {

using NodePtr = std::unique_ptr<Node>;

const char* TypeName(ValueType t)
{
    switch (t) {
    case ValueType::Character: return "character";
    case ValueType::Memo: return "memo";
    case ValueType::Number: return "numeric";
    case ValueType::Date: return "date";
    case ValueType::Time: return "time";
    case ValueType::TimeStamp: return "timestamp";
    case ValueType::Logical: return "logical";
    default: return "NULL";
    }
}

bool SameKind(ValueType a, ValueType b)
{
    return a == b || (IsText(a) && IsText(b)) || a == ValueType::Null || b == ValueType::Null;
}

struct Binary {
    const char* symbol;
    Op op;
};

class Parser {
public:
    Parser(std::string_view text, const RecordContext& schema, Purpose purpose, const EvalSettings& settings)
        : mText(text), mSchema(schema), mSettings(settings), mLexer(text, schema, *settings.mask),
          mChecker(text, purpose, *settings.mask)
    {
    }

    NodePtr ParseAll()
    {
        if (Peek(true).kind == Tok::End)
            mChecker.Fail(kErrSyntax, Node{}, "The expression is empty");
        NodePtr root = ParseOr();
        Token rest = Peek(false);
        if (rest.kind != Tok::End)
            Unexpected(rest);
        return root;
    }

private:
    Token Peek(bool operand) const { return mLexer.Read(mPos, operand); }
    void Take(const Token& token) { mPos = token.end; }

    [[noreturn]] void Unexpected(const Token& token) const
    {
        Node at;
        at.position = token.start + 1;
        if (token.kind == Tok::End)
            mChecker.Fail(kErrSyntax, at, "Unexpected end of the expression");
        std::string_view symbol = mText.substr(token.start, token.end - token.start);
        mChecker.Fail(kErrSyntax, at, "Unexpected '" + std::string(symbol) + "'");
    }

    bool TakeOperator(const char* word, bool operand, size_t& position)
    {
        Token token = Peek(operand);
        if (token.kind != Tok::Operator || token.word != word)
            return false;
        position = token.start + 1;
        Take(token);
        return true;
    }

    NodePtr Make(Op op, size_t position, NodePtr left, NodePtr right = nullptr)
    {
        auto node = std::make_unique<Node>();
        node->op = op;
        node->position = position;
        node->args.push_back(std::move(left));
        if (right)
            node->args.push_back(std::move(right));
        node->begin = std::min(position - 1, node->args.front()->begin);
        node->end = node->args.back()->end;
        Adopt(*node);
        return node;
    }

    // What a node takes over from its operands: the clock, and their depth.
    void Adopt(Node& node) const
    {
        for (const NodePtr& arg : node.args) {
            node.volatileValue = node.volatileValue || arg->volatileValue;
            node.depth = std::max(node.depth, arg->depth + 1);
        }
        if (node.depth > kMaxTreeDepth)
            mChecker.Fail(kErrSyntax, node, "The expression has too many operators in a row or is nested too deeply");
    }

    // Guards the recursion of the parser against absurd nesting: "((((…" or "- - - …".
    class Nesting {
    public:
        explicit Nesting(Parser& parser) : mParser(parser)
        {
            if (++mParser.mNesting > kMaxNesting) {
                Node at;
                at.position = mParser.mPos + 1;
                mParser.mChecker.Fail(kErrSyntax, at, "The expression is nested too deeply");
            }
        }
        ~Nesting() { --mParser.mNesting; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& mParser;
    };

    [[noreturn]] void Mismatch(const Node& node, const std::string& problem) const
    {
        mChecker.Fail(kErrTypeMismatch, node, problem);
    }

    void RequireLogical(const Node& operand, const Node& at, const char* op) const
    {
        if (!SameKind(operand.type, ValueType::Logical))
            Mismatch(at, std::string(op) + " needs a logical operand, not a " + TypeName(operand.type) + " one");
    }

    NodePtr ParseOr()
    {
        Nesting nesting(*this);
        return ParseLogical("OR", Op::Or, &Parser::ParseAnd);
    }
    NodePtr ParseAnd() { return ParseLogical("AND", Op::And, &Parser::ParseNot); }

    // One level of AND or OR: operands of the next level joined by `word`.
    NodePtr ParseLogical(const char* word, Op op, NodePtr (Parser::*next)())
    {
        NodePtr left = (this->*next)();
        size_t position = 0;
        while (TakeOperator(word, false, position))
            left = Logical(op, position, std::move(left), (this->*next)(), word);
        return left;
    }

    NodePtr Logical(Op op, size_t position, NodePtr left, NodePtr right, const char* name)
    {
        NodePtr node = Make(op, position, std::move(left), std::move(right));
        RequireLogical(*node->args[0], *node, name);
        RequireLogical(*node->args[1], *node, name);
        node->type = ValueType::Logical;
        return Fold(std::move(node));
    }

    NodePtr ParseNot()
    {
        size_t position = 0;
        if (TakeOperator("NOT", true, position) || TakeOperator("!", true, position)) {
            Nesting nesting(*this);
            NodePtr node = Make(Op::Not, position, ParseNot());
            RequireLogical(*node->args[0], *node, "NOT");
            node->type = ValueType::Logical;
            return Fold(std::move(node));
        }
        return ParseRelation();
    }

    NodePtr ParseRelation()
    {
        static const Binary kRelations[] = {
            {"=", Op::Equal}, {"==", Op::ExactEqual}, {"<>", Op::NotEqual}, {"#", Op::NotEqual},
            {"!=", Op::NotEqual}, {"<", Op::Less}, {"<=", Op::LessEqual}, {">", Op::Greater},
            {">=", Op::GreaterEqual}, {"$", Op::Contained}};
        NodePtr left = ParseAdditive();
        for (;;) {
            const Binary* found = Match(kRelations);
            if (!found)
                return left;
            NodePtr node = Make(found->op, mLastPosition, std::move(left), ParseAdditive());
            CheckRelation(*node, found->symbol);
            left = Fold(std::move(node));
        }
    }

    void CheckRelation(Node& node, const char* symbol) const
    {
        ValueType a = node.args[0]->type, b = node.args[1]->type;
        if (node.op == Op::Contained ? !(SameKind(a, ValueType::Character) && SameKind(b, ValueType::Character))
                                     : !SameKind(a, b))
            Mismatch(node, std::string("Cannot compare ") + TypeName(a) + " and " + TypeName(b) + " with " + symbol);
        node.type = ValueType::Logical;
    }

    template <size_t N>
    const Binary* Match(const Binary (&table)[N])
    {
        Token token = Peek(false);
        if (token.kind != Tok::Operator)
            return nullptr;
        for (const Binary& b : table)
            if (token.word == b.symbol) {
                mLastPosition = token.start + 1;
                Take(token);
                return &b;
            }
        return nullptr;
    }

    NodePtr ParseAdditive()
    {
        static const Binary kAdditive[] = {{"+", Op::Add}, {"-", Op::Subtract}};
        NodePtr left = ParseTerm();
        while (const Binary* found = Match(kAdditive)) {
            NodePtr node = Make(found->op, mLastPosition, std::move(left), ParseTerm());
            CheckAdditive(*node);
            left = Fold(std::move(node));
        }
        return left;
    }

    void CheckAdditive(Node& node) const
    {
        const Node& l = *node.args[0];
        const Node& r = *node.args[1];
        ValueType a = l.type, b = r.type;
        bool add = node.op == Op::Add;
        auto is = [](ValueType t, ValueType want) { return t == want || t == ValueType::Null; };
        if (IsText(a) || IsText(b)) {
            if (!SameKind(a, ValueType::Character) || !SameKind(b, ValueType::Character))
                AdditiveMismatch(node, add);
            node.type = ValueType::Character;
            node.width = l.width >= 0 && r.width >= 0 ? l.width + r.width : -1;
            node.caseInsensitive = l.caseInsensitive || r.caseInsensitive;
            return;
        }
        if (is(a, ValueType::Number) && is(b, ValueType::Number)) {
            node.type = a == ValueType::Null && b == ValueType::Null ? ValueType::Null : ValueType::Number;
            return;
        }
        for (ValueType moved : {ValueType::Date, ValueType::TimeStamp}) {
            if (a == moved && is(b, ValueType::Number)) {
                node.type = moved;
                return;
            }
            if (add && is(a, ValueType::Number) && b == moved) {
                node.type = moved;
                return;
            }
            if (!add && a == moved && b == moved) {
                node.type = ValueType::Number;
                return;
            }
        }
        AdditiveMismatch(node, add);
    }

    [[noreturn]] void AdditiveMismatch(const Node& node, bool add) const
    {
        const char* a = TypeName(node.args[0]->type);
        const char* b = TypeName(node.args[1]->type);
        Mismatch(node, add ? std::string("Cannot add ") + b + " to " + a
                           : std::string("Cannot subtract ") + b + " from " + a);
    }

    NodePtr ParseTerm()
    {
        static const Binary kTerm[] = {{"*", Op::Multiply}, {"/", Op::Divide}, {"%", Op::Modulo}};
        NodePtr left = ParsePower();
        while (const Binary* found = Match(kTerm))
            left = Numeric(found->op, found->symbol, std::move(left), ParsePower());
        return left;
    }

    NodePtr ParsePower()
    {
        static const Binary kPower[] = {{"**", Op::Power}, {"^", Op::Power}};
        NodePtr left = ParseSigned();
        while (const Binary* found = Match(kPower))
            left = Numeric(found->op, found->symbol, std::move(left), ParseSigned());
        return left;
    }

    NodePtr Numeric(Op op, const char* symbol, NodePtr left, NodePtr right)
    {
        NodePtr node = Make(op, mLastPosition, std::move(left), std::move(right));
        for (const NodePtr& arg : node->args)
            if (!SameKind(arg->type, ValueType::Number))
                Mismatch(*node, std::string(symbol) + " needs numbers, not a " + TypeName(arg->type) + " value");
        node->type = ValueType::Number;
        return Fold(std::move(node));
    }

    NodePtr ParseSigned()
    {
        size_t position = 0;
        bool minus = TakeOperator("-", true, position);
        if (minus || TakeOperator("+", true, position)) {
            Nesting nesting(*this);
            NodePtr node = Make(minus ? Op::Negate : Op::Plus, position, ParseSigned());
            if (!SameKind(node->args[0]->type, ValueType::Number))
                Mismatch(*node, std::string("A sign needs a number, not a ") + TypeName(node->args[0]->type)
                                    + " value");
            node->type = ValueType::Number;
            return Fold(std::move(node));
        }
        return ParsePrimary();
    }

    NodePtr ParsePrimary()
    {
        Token token = Peek(true);
        auto node = std::make_unique<Node>();
        node->position = token.start + 1;
        node->begin = token.start;
        node->end = token.end;
        switch (token.kind) {
        case Tok::Literal:
            Take(token);
            node->op = Op::Literal;
            node->literal = LiteralValue(token.value);
            node->type = token.value.type;
            if (IsText(node->type))
                node->width = int32_t(node->literal.text.size());
            return node;
        case Tok::Field: {
            Take(token);
            const FieldInfo& info = mSchema.Fields()[token.field];
            node->op = Op::Field;
            node->field = info.index;
            node->type = info.type;
            node->width = info.type == ValueType::Character ? int32_t(info.width) : -1;
            node->caseInsensitive = info.caseInsensitive;
            node->numericWidth = info.numericWidth;
            node->decimals = info.decimals;
            return node;
        }
        case Tok::Function: return ParseCall(token);
        case Tok::LParen: {
            Take(token);
            NodePtr inner = ParseOr();
            Expect(Tok::RParen, "')'");
            inner->begin = token.start;
            inner->end = mPos;
            return inner;
        }
        default: Unexpected(token);
        }
    }

    // Literals are written in the system code page; the table may use another.
    Value LiteralValue(Value value) const
    {
        if (IsText(value.type) && mSettings.page != codepage::CodePage::Ansi1252)
            value.text = codepage::Convert(codepage::CodePage::Ansi1252, mSettings.page, value.text);
        return value;
    }

    void Expect(Tok kind, const char* what)
    {
        Token token = Peek(false);
        if (token.kind != kind) {
            Node at;
            at.position = token.start + 1;
            mChecker.Fail(kErrSyntax, at, std::string("Expected ") + what);
        }
        Take(token);
    }

    NodePtr ParseCall(const Token& name)
    {
        Take(name);
        auto node = std::make_unique<Node>();
        node->op = Op::Call;
        node->position = name.start + 1;
        node->function = FindFunction(name.word);
        node->begin = name.start;
        Expect(Tok::LParen, "'('");
        if (Peek(true).kind == Tok::RParen) {
            Take(Peek(true));
        } else {
            for (;;) {
                node->args.push_back(ParseOr());
                Token next = Peek(false);
                if (next.kind == Tok::Comma) {
                    Take(next);
                    continue;
                }
                Expect(Tok::RParen, "',' or ')'");
                break;
            }
        }
        node->end = mPos;
        const FunctionDef& f = *node->function;
        int count = int(node->args.size());
        if (count < f.minArgs || count > f.maxArgs)
            mChecker.Fail(kErrArgumentCount, *node, ArityProblem(f, count));
        f.check(*node, mChecker);
        node->volatileValue = f.readsClock;
        Adopt(*node);
        if (f.readsRecord || f.readsClock)
            return node;
        return Fold(std::move(node));
    }

    static std::string ArityProblem(const FunctionDef& f, int count)
    {
        std::string wanted = std::to_string(f.minArgs);
        if (f.maxArgs != f.minArgs)
            wanted += " to " + std::to_string(f.maxArgs);
        return std::string(f.name) + " takes " + wanted + " argument" + (f.maxArgs == 1 ? "" : "s") + ", not "
            + std::to_string(count);
    }

    // A node whose operands are all constants is evaluated now.
    NodePtr Fold(NodePtr node)
    {
        for (const NodePtr& arg : node->args)
            if (!arg->IsConstant())
                return node;
        Evaluator evaluator(nullptr, mSettings);
        Value value = evaluator.Eval(*node);
        node->literal = value;
        if (value.type != ValueType::Null)
            node->type = value.type == ValueType::Memo ? ValueType::Character : node->type;
        if (IsText(node->type) && !value.null)
            node->width = int32_t(value.text.size());
        node->op = Op::Literal;
        node->args.clear();
        node->query.reset();
        node->depth = 1;
        return node;
    }

    std::string_view mText;
    const RecordContext& mSchema;
    EvalSettings mSettings;
    Lexer mLexer;
    Checker mChecker;
    size_t mPos = 0;
    size_t mLastPosition = 0;
    int mNesting = 0;
    static constexpr int kMaxNesting = 200;
};

} // namespace

std::unique_ptr<Node> CompileTree(std::string_view text, const RecordContext& schema, Purpose purpose,
                                  const EvalSettings& settings)
{
    return Parser(text, schema, purpose, settings).ParseAll();
}

} // namespace expr
