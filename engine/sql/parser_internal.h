// The recursive-descent parser behind ParseScript, spread over
// parser.cpp (statements), parser_expression.cpp and parser_definition.cpp.
//
// Invariant: mPos always indexes a token of mTokens, whose last token is
// End; reading past it stays on End. Recursion is bounded by kMaxDepth so
// that hostile nesting ends in an error, not a stack overflow.
#pragma once

#include "engine/sql/ast.h"
#include "engine/sql/lexer.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace sql::detail {

class Parser {
public:
    Parser(Script& script, std::vector<Token> tokens);
    void ParseAll();

private:
    friend class DepthGuard;
    static constexpr size_t kMaxDepth = 200;

    // Tokens.
    const Token& Peek(size_t ahead = 0) const;
    const Token& Next();
    bool AcceptWord(const char* keyword);
    bool AcceptSymbol(const char* symbol);
    void ExpectWord(const char* keyword);
    void ExpectSymbol(const char* symbol);
    bool AtStatementEnd() const;
    [[noreturn]] void Fail(uint32_t native, const Token& at, const std::string& problem) const;
    std::string Describe(const Token& token) const;

    // Statements (parser.cpp).
    std::vector<Statement> ParseBlock(std::initializer_list<const char*> enders, const char* closing);
    Statement ParseStatement();
    void ParseDeclare(Statement& statement);
    void ParseCursorDeclaration(Statement& statement, const Token& name);
    void ParseAssignment(Statement& statement, const Token& target);
    void ParseCursorUse(Statement& statement, StatementKind kind);
    void ParseIf(Statement& statement);
    void ParseWhile(Statement& statement);
    ProcedureCall ParseProcedureCall();
    DataStatement ParseDataStatement(size_t begin);
    DeclaredType ParseType();
    const Token& ExpectName(const char* what);

    // Names.
    size_t Declare(const Token& name, bool isCursor, const DeclaredType& type);
    size_t Resolve(const Token& name, bool wantCursor) const;
    bool IsDeclared(const std::string& name) const;

    // Expressions (parser_expression.cpp).
    Expr ParseExpression();
    Expr ParseOr();
    Expr ParseAnd();
    Expr ParseNot();
    Expr ParseComparison();
    Expr ParseConcatenation();
    Expr ParseAdditive();
    Expr ParseMultiplicative();
    Expr ParseUnary();
    Expr ParsePrimary();
    Expr ParseFunction(const Token& name);
    Expr ParseCast(const Token& name, bool convertForm);
    Expr ParseSubstring(const Token& name);
    Expr ParseLiteral(const Token& token);

    // Definitions (parser_definition.cpp).
    void ParseCreate(Statement& statement);
    void ParseDrop(Statement& statement);
    std::vector<ColumnDefinition> ParseColumnDefinitions();
    std::vector<std::string> ParseNameList();

    Script& mScript;
    std::vector<Token> mTokens;
    size_t mPos = 0;
    size_t mStatementBegin = 0;
    size_t mDepth = 0;
};

// Counts one level of recursion for the parser and refuses to go deeper
// than kMaxDepth.
class DepthGuard {
public:
    explicit DepthGuard(Parser& parser);
    ~DepthGuard() { --mParser.mDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    Parser& mParser;
};

Expr MakeExpr(ExprKind kind, size_t offset);

} // namespace sql::detail
