// Script expressions, from the loosest binding to the tightest:
// OR; AND; NOT; comparisons and IS [NOT] NULL; ||; + -; * / %; unary - +;
// literals, names, parameters, function calls and parentheses.
#include "engine/sql/functions.h"
#include "engine/sql/parser_internal.h"
#include "engine/sql/sql_error.h"

#include <cerrno>
#include <cstdlib>

namespace sql::detail {
namespace {

bool IsComparison(const Token& t)
{
    static const char* const kOps[] = {"=", "<>", "!=", "<", "<=", ">", ">="};
    for (const char* op : kOps)
        if (t.IsSymbol(op))
            return true;
    return false;
}

Expr Binary(std::string op, Expr left, Expr right)
{
    Expr expr = MakeExpr(ExprKind::Binary, left.offset);
    expr.op = std::move(op);
    expr.args.push_back(std::move(left));
    expr.args.push_back(std::move(right));
    return expr;
}

// Words that end or join expressions; never read as a variable name.
bool IsReserved(const Token& t)
{
    static const char* const kWords[] = {"THEN", "DO", "END", "ELSE", "ELSEIF", "AND", "OR", "NOT", "IS",
                                         "AS", "FROM", "FOR", "SELECT", "DECLARE", "SET", "OPEN", "FETCH",
                                         "CLOSE", "IF", "WHILE", "EXECUTE", "CREATE", "DROP"};
    for (const char* word : kWords)
        if (t.IsWord(word))
            return true;
    return false;
}

} // namespace

Expr Parser::ParseExpression()
{
    DepthGuard depth(*this);
    return ParseOr();
}

Expr Parser::ParseOr()
{
    Expr left = ParseAnd();
    while (AcceptWord("OR"))
        left = Binary("OR", std::move(left), ParseAnd());
    return left;
}

Expr Parser::ParseAnd()
{
    Expr left = ParseNot();
    while (AcceptWord("AND"))
        left = Binary("AND", std::move(left), ParseNot());
    return left;
}

Expr Parser::ParseNot()
{
    if (!Peek().IsWord("NOT"))
        return ParseComparison();
    DepthGuard depth(*this);
    Expr expr = MakeExpr(ExprKind::Unary, Next().offset);
    expr.op = "NOT";
    expr.args.push_back(ParseNot());
    return expr;
}

Expr Parser::ParseComparison()
{
    Expr left = ParseConcatenation();
    for (;;) {
        if (IsComparison(Peek())) {
            std::string op = Next().text;
            left = Binary(op == "!=" ? "<>" : op, std::move(left), ParseConcatenation());
        } else if (AcceptWord("IS")) {
            Expr test = MakeExpr(ExprKind::IsNull, left.offset);
            test.negated = AcceptWord("NOT");
            ExpectWord("NULL");
            test.args.push_back(std::move(left));
            left = std::move(test);
        } else {
            return left;
        }
    }
}

// || binds looser than + and -, so 'x' || 1 + 1 is 'x2'.
Expr Parser::ParseConcatenation()
{
    Expr left = ParseAdditive();
    while (AcceptSymbol("||"))
        left = Binary("||", std::move(left), ParseAdditive());
    return left;
}

Expr Parser::ParseAdditive()
{
    Expr left = ParseMultiplicative();
    while (Peek().IsSymbol("+") || Peek().IsSymbol("-")) {
        std::string op = Next().text;
        left = Binary(op, std::move(left), ParseMultiplicative());
    }
    return left;
}

Expr Parser::ParseMultiplicative()
{
    Expr left = ParseUnary();
    while (Peek().IsSymbol("*") || Peek().IsSymbol("/") || Peek().IsSymbol("%")) {
        std::string op = Next().text;
        left = Binary(op, std::move(left), ParseUnary());
    }
    return left;
}

Expr Parser::ParseUnary()
{
    if (!Peek().IsSymbol("-") && !Peek().IsSymbol("+"))
        return ParsePrimary();
    DepthGuard depth(*this);
    const Token& sign = Next();
    Expr expr = MakeExpr(ExprKind::Unary, sign.offset);
    expr.op = sign.text;
    expr.args.push_back(ParseUnary());
    return expr;
}

Expr Parser::ParsePrimary()
{
    const Token& token = Peek();
    switch (token.kind) {
    case TokenKind::Integer:
    case TokenKind::Decimal:
    case TokenKind::String:
        return ParseLiteral(Next());
    case TokenKind::Parameter: {
        Expr expr = MakeExpr(ExprKind::Parameter, token.offset);
        expr.parameter = Next().parameter;
        return expr;
    }
    case TokenKind::Variable:
    case TokenKind::QuotedName: {
        Expr expr = MakeExpr(ExprKind::Variable, token.offset);
        expr.slot = Resolve(Next(), false);
        return expr;
    }
    case TokenKind::Word:
        if (token.IsWord("NULL") || token.IsWord("TRUE") || token.IsWord("FALSE"))
            return ParseLiteral(Next());
        if (IsReserved(token))
            break;
        if (Peek(1).IsSymbol("(")) {
            const Token& name = Next();
            return ParseFunction(name);
        }
        {
            Expr expr = MakeExpr(ExprKind::Variable, token.offset);
            expr.slot = Resolve(Next(), false);
            return expr;
        }
    case TokenKind::Symbol:
        if (token.IsSymbol("(")) {
            Next();
            Expr inner = ParseExpression();
            ExpectSymbol(")");
            return inner;
        }
        break;
    case TokenKind::End:
        break;
    }
    Fail(kSyntax, token, "Expected a value but found " + Describe(token));
}

Expr Parser::ParseLiteral(const Token& token)
{
    Expr expr = MakeExpr(ExprKind::Literal, token.offset);
    if (token.kind == TokenKind::String) {
        expr.value = Value::String(token.text);
    } else if (token.kind == TokenKind::Integer) {
        errno = 0;
        long long n = std::strtoll(token.text.c_str(), nullptr, 10);
        if (errno == ERANGE)
            Fail(kValue, token, "The number " + token.text + " is too large for an Integer");
        expr.value = Value::Integer(n);
    } else if (token.kind == TokenKind::Decimal) {
        expr.value = Value::Double(std::strtod(token.text.c_str(), nullptr));
    } else if (token.IsWord("NULL")) {
        expr.value = Value::Null();
    } else {
        expr.value = Value::Logical(token.IsWord("TRUE"));
    }
    return expr;
}

Expr Parser::ParseFunction(const Token& name)
{
    if (name.IsWord("CAST"))
        return ParseCast(name, false);
    if (name.IsWord("CONVERT"))
        return ParseCast(name, true);
    if (name.IsWord("SUBSTRING"))
        return ParseSubstring(name);
    const FunctionInfo* info = FindFunction(name.text);
    if (info == nullptr)
        Fail(kUnknownFunction, name, "Unknown function " + name.text);
    Expr call = MakeExpr(ExprKind::Function, name.offset);
    call.name = info->name;
    ExpectSymbol("(");
    if (!AcceptSymbol(")")) {
        do {
            call.args.push_back(ParseExpression());
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
    }
    if (call.args.size() < info->minArgs || call.args.size() > info->maxArgs)
        Fail(kArgumentCount, name,
             std::string(info->name) + " does not take " + std::to_string(call.args.size()) + " arguments");
    return call;
}

// CAST(x AS type) and CONVERT(x, type); CONVERT also takes the SQL_ names
// (SQL_VARCHAR, SQL_INTEGER, ...).
Expr Parser::ParseCast(const Token& name, bool convertForm)
{
    Expr cast = MakeExpr(ExprKind::Cast, name.offset);
    ExpectSymbol("(");
    cast.args.push_back(ParseExpression());
    if (convertForm)
        ExpectSymbol(",");
    else
        ExpectWord("AS");
    const Token& typeName = Peek();
    if (convertForm && typeName.kind == TokenKind::Word && UpperCased(typeName.text).rfind("SQL_", 0) == 0) {
        auto storage = StorageOfTypeName(typeName.text.substr(4));
        if (!storage)
            Fail(kSyntax, typeName, "Unknown type " + Describe(typeName));
        cast.castType.name = typeName.text;
        cast.castType.storage = *storage;
        Next();
    } else {
        cast.castType = ParseType();
    }
    ExpectSymbol(")");
    return cast;
}

// SUBSTRING(s, start[, length]) and SUBSTRING(s FROM start [FOR length]).
Expr Parser::ParseSubstring(const Token& name)
{
    Expr call = MakeExpr(ExprKind::Function, name.offset);
    call.name = "SUBSTRING";
    ExpectSymbol("(");
    call.args.push_back(ParseExpression());
    bool keywordForm = AcceptWord("FROM");
    if (!keywordForm)
        ExpectSymbol(",");
    call.args.push_back(ParseExpression());
    if (keywordForm ? AcceptWord("FOR") : AcceptSymbol(","))
        call.args.push_back(ParseExpression());
    ExpectSymbol(")");
    return call;
}

} // namespace sql::detail
