#include "engine/sql/parser.h"

#include "engine/sql/parser_internal.h"
#include "engine/sql/sql_error.h"

#include <algorithm>

namespace sql {
namespace detail {
namespace {

bool IsDataVerb(const Token& token)
{
    return token.IsWord("SELECT") || token.IsWord("INSERT") || token.IsWord("UPDATE") || token.IsWord("DELETE");
}

} // namespace

DepthGuard::DepthGuard(Parser& parser) : mParser(parser)
{
    if (++mParser.mDepth > Parser::kMaxDepth) {
        --mParser.mDepth;
        mParser.Fail(kTooComplex, mParser.Peek(), "Nesting deeper than " + std::to_string(Parser::kMaxDepth) + " levels");
    }
}

Expr MakeExpr(ExprKind kind, size_t offset)
{
    Expr expr;
    expr.kind = kind;
    expr.offset = offset;
    return expr;
}

Parser::Parser(Script& script, std::vector<Token> tokens) : mScript(script), mTokens(std::move(tokens))
{
    for (const Token& token : mTokens)
        if (token.kind == TokenKind::Parameter)
            mScript.parameters.push_back({token.text, token.offset});
}

void Parser::ParseAll() { mScript.statements = ParseBlock({}, nullptr); }

// ---- tokens ----

const Token& Parser::Peek(size_t ahead) const { return mTokens[std::min(mPos + ahead, mTokens.size() - 1)]; }

const Token& Parser::Next()
{
    const Token& token = mTokens[mPos];
    if (mPos + 1 < mTokens.size())
        ++mPos;
    return token;
}

bool Parser::AcceptWord(const char* keyword)
{
    if (!Peek().IsWord(keyword))
        return false;
    Next();
    return true;
}

bool Parser::AcceptSymbol(const char* symbol)
{
    if (!Peek().IsSymbol(symbol))
        return false;
    Next();
    return true;
}

void Parser::ExpectWord(const char* keyword)
{
    if (!AcceptWord(keyword))
        Fail(kSyntax, Peek(), std::string("Expected ") + keyword + " but found " + Describe(Peek()));
}

void Parser::ExpectSymbol(const char* symbol)
{
    if (!AcceptSymbol(symbol))
        Fail(kSyntax, Peek(), std::string("Expected '") + symbol + "' but found " + Describe(Peek()));
}

bool Parser::AtStatementEnd() const { return Peek().kind == TokenKind::End || Peek().IsSymbol(";"); }

std::string Parser::Describe(const Token& token) const
{
    if (token.kind == TokenKind::End)
        return "the end of the script";
    return "'" + std::string(std::string_view(mScript.text).substr(token.offset, token.length)) + "'";
}

void Parser::Fail(uint32_t native, const Token& at, const std::string& problem) const
{
    size_t end = mScript.text.size();
    for (size_t i = mPos; i < mTokens.size(); ++i)
        if (mTokens[i].IsSymbol(";") && mTokens[i].offset >= at.offset) {
            end = mTokens[i].offset;
            break;
        }
    throw SqlError(native, problem, SourcePlace{mScript.text, mStatementBegin, end, at.offset});
}

// ---- statements ----

std::vector<Statement> Parser::ParseBlock(std::initializer_list<const char*> enders, const char* closing)
{
    std::vector<Statement> statements;
    for (;;) {
        while (AcceptSymbol(";")) {
        }
        if (Peek().kind == TokenKind::End) {
            if (closing != nullptr)
                Fail(kSyntax, Peek(), std::string("Expected ") + closing + " but found the end of the script");
            return statements;
        }
        for (const char* ender : enders)
            if (Peek().IsWord(ender))
                return statements;
        statements.push_back(ParseStatement());
        bool endsBlock = std::any_of(enders.begin(), enders.end(), [&](const char* e) { return Peek().IsWord(e); });
        if (!AtStatementEnd() && !endsBlock) {
            mStatementBegin = statements.back().begin; // quote the statement that lacks its end
            Fail(kSyntax, Peek(), "Expected ';' but found " + Describe(Peek()));
        }
    }
}

Statement Parser::ParseStatement()
{
    DepthGuard depth(*this);
    size_t outerBegin = mStatementBegin;
    const Token& first = Peek();
    mStatementBegin = first.offset;
    Statement statement;
    statement.begin = first.offset;
    if (AcceptWord("DECLARE")) {
        ParseDeclare(statement);
    } else if (AcceptWord("SET")) {
        const Token& target = Next();
        ParseAssignment(statement, target);
    } else if ((first.kind == TokenKind::Variable || first.kind == TokenKind::Word ||
                first.kind == TokenKind::QuotedName) && Peek(1).IsSymbol("=")) {
        const Token& target = Next();
        ParseAssignment(statement, target);
    } else if (AcceptWord("OPEN")) {
        ParseCursorUse(statement, StatementKind::Open);
    } else if (AcceptWord("FETCH")) {
        ParseCursorUse(statement, StatementKind::Fetch);
    } else if (AcceptWord("CLOSE")) {
        ParseCursorUse(statement, StatementKind::Close);
    } else if (AcceptWord("IF")) {
        ParseIf(statement);
    } else if (AcceptWord("WHILE")) {
        ParseWhile(statement);
    } else if (first.IsWord("EXECUTE") || first.IsWord("EXEC")) {
        statement.kind = StatementKind::Execute;
        statement.procedure = ParseProcedureCall();
    } else if (AcceptWord("CREATE")) {
        ParseCreate(statement);
    } else if (AcceptWord("DROP")) {
        ParseDrop(statement);
    } else if (IsDataVerb(first)) {
        statement.kind = StatementKind::Data;
        statement.data = ParseDataStatement(first.offset);
    } else {
        Fail(kUnknownStatement, first, "Unknown statement beginning with " + Describe(first));
    }
    statement.end = mTokens[mPos > 0 ? mPos - 1 : 0].End();
    mStatementBegin = outerBegin;
    return statement;
}

const Token& Parser::ExpectName(const char* what)
{
    const Token& token = Peek();
    if (token.kind != TokenKind::Word && token.kind != TokenKind::QuotedName && token.kind != TokenKind::Variable)
        Fail(kSyntax, token, std::string("Expected ") + what + " but found " + Describe(token));
    return Next();
}

void Parser::ParseDeclare(Statement& statement)
{
    const Token& first = ExpectName("a variable or cursor name");
    if (Peek().IsWord("CURSOR")) {
        Next();
        ParseCursorDeclaration(statement, first);
        return;
    }
    statement.kind = StatementKind::Declare;
    const Token* name = &first;
    for (;;) {
        DeclaredType type = ParseType();
        statement.declarations.push_back(Declare(*name, false, type));
        if (!AcceptSymbol(","))
            return;
        name = &ExpectName("a variable name");
    }
}

void Parser::ParseCursorDeclaration(Statement& statement, const Token& name)
{
    statement.kind = StatementKind::DeclareCursor;
    if (!AcceptWord("AS"))
        ExpectWord("FOR");
    const Token& query = Peek();
    statement.queryBegin = query.offset;
    if (query.IsWord("EXECUTE") || query.IsWord("EXEC")) {
        statement.isProcedure = true;
        statement.procedure = ParseProcedureCall();
    } else if (query.IsWord("SELECT")) {
        statement.data = ParseDataStatement(query.offset);
    } else {
        Fail(kSyntax, query, "Expected SELECT or EXECUTE PROCEDURE after CURSOR AS but found " + Describe(query));
    }
    statement.queryEnd = mTokens[mPos - 1].End();
    // Declared after its query: the query cannot name the cursor itself.
    statement.slot = Declare(name, true, DeclaredType{});
}

DeclaredType Parser::ParseType()
{
    const Token& name = Peek();
    if (name.kind != TokenKind::Word)
        Fail(kSyntax, name, "Expected a type name but found " + Describe(name));
    auto storage = StorageOfTypeName(name.text);
    if (!storage)
        Fail(kSyntax, name, "Unknown type " + Describe(name));
    Next();
    DeclaredType type;
    type.name = name.text;
    type.storage = *storage;
    if (!AcceptSymbol("("))
        return type;
    auto readSize = [&](const char* what) {
        const Token& size = Peek();
        if (size.kind != TokenKind::Integer || size.text.size() > 9)
            Fail(kSyntax, size, std::string("Expected the ") + what + " of " + type.name + " but found " + Describe(size));
        Next();
        return static_cast<uint32_t>(std::stoul(size.text));
    };
    type.length = readSize("length");
    if (AcceptSymbol(","))
        type.decimals = readSize("decimals");
    ExpectSymbol(")");
    return type;
}

void Parser::ParseAssignment(Statement& statement, const Token& target)
{
    statement.kind = StatementKind::Assign;
    statement.slot = Resolve(target, false);
    ExpectSymbol("=");
    statement.expr = ParseExpression();
}

void Parser::ParseCursorUse(Statement& statement, StatementKind kind)
{
    statement.kind = kind;
    statement.slot = Resolve(ExpectName("a cursor name"), true);
}

void Parser::ParseIf(Statement& statement)
{
    statement.kind = StatementKind::If;
    statement.expr = ParseExpression();
    ExpectWord("THEN");
    statement.body = ParseBlock({"ELSE", "ELSEIF", "END"}, "END IF");
    if (Peek().IsWord("ELSEIF")) {
        // ELSEIF c THEN ... is an IF nested in the ELSE branch sharing the
        // outer END IF.
        Statement nested;
        nested.begin = Next().offset;
        ParseIf(nested);
        nested.end = mTokens[mPos - 1].End();
        statement.elseBody.push_back(std::move(nested));
        return;
    }
    if (AcceptWord("ELSE"))
        statement.elseBody = ParseBlock({"END"}, "END IF");
    ExpectWord("END");
    ExpectWord("IF");
}

void Parser::ParseWhile(Statement& statement)
{
    statement.kind = StatementKind::While;
    statement.expr = ParseExpression();
    ExpectWord("DO");
    statement.body = ParseBlock({"END"}, "END WHILE");
    ExpectWord("END");
    ExpectWord("WHILE");
}

ProcedureCall Parser::ParseProcedureCall()
{
    Next(); // EXECUTE or EXEC
    ExpectWord("PROCEDURE");
    ProcedureCall call;
    call.name = ExpectName("a procedure name").text;
    if (!AcceptSymbol("("))
        return call;
    if (AcceptSymbol(")"))
        return call;
    do {
        call.args.push_back(ParseExpression());
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return call;
}

DataStatement Parser::ParseDataStatement(size_t begin)
{
    DataStatement data;
    data.verb = UpperCased(Peek().text);
    int depth = 0;
    size_t end = begin;
    while (Peek().kind != TokenKind::End && !(depth == 0 && Peek().IsSymbol(";"))) {
        const Token& token = Peek();
        if (token.IsSymbol("("))
            ++depth;
        else if (token.IsSymbol(")") && --depth < 0)
            Fail(kSyntax, token, "Unbalanced ')'");
        if (token.kind == TokenKind::Parameter || token.kind == TokenKind::Variable) {
            DataReference ref;
            ref.isParameter = token.kind == TokenKind::Parameter;
            ref.parameter = token.parameter;
            ref.slot = ref.isParameter ? 0 : Resolve(token, false);
            ref.offset = token.offset - begin;
            ref.length = token.length;
            data.references.push_back(ref);
        }
        end = token.End();
        Next();
    }
    if (depth > 0)
        Fail(kSyntax, Peek(), "Expected ')' but found " + Describe(Peek()));
    data.text = mScript.text.substr(begin, end - begin);
    return data;
}

// ---- names ----

bool Parser::IsDeclared(const std::string& name) const
{
    return std::any_of(mScript.names.begin(), mScript.names.end(),
                       [&](const NameDeclaration& d) { return EqualsIgnoreCase(d.name, name); });
}

size_t Parser::Declare(const Token& name, bool isCursor, const DeclaredType& type)
{
    if (IsDeclared(name.text))
        Fail(kDuplicate, name, "The name " + name.text + " is declared twice");
    mScript.names.push_back({name.text, isCursor, type, name.offset});
    return mScript.names.size() - 1;
}

size_t Parser::Resolve(const Token& name, bool wantCursor) const
{
    for (size_t slot = 0; slot < mScript.names.size(); ++slot) {
        const NameDeclaration& d = mScript.names[slot];
        if (!EqualsIgnoreCase(d.name, name.text))
            continue;
        if (d.isCursor != wantCursor)
            Fail(kSyntax, name, name.text + (wantCursor ? " is a variable, not a cursor" : " is a cursor, not a variable"));
        return slot;
    }
    Fail(kUndeclared, name, std::string(wantCursor ? "Cursor " : "Variable ") + name.text + " is not declared");
}

} // namespace detail

Script ParseScript(std::string_view text)
{
    Script script;
    script.text = std::string(text);
    detail::Parser parser(script, Tokenize(script.text));
    parser.ParseAll();
    return script;
}

} // namespace sql
