// The parsed form of an SQL script.
//
// Invariants established by the parser (see parser.h):
// - every variable and cursor reference names a declaration that comes
//   before it in the text; `slot` is that declaration's index in
//   Script::names, and the declaration's kind matches the use;
// - every parameter reference carries its 0-based number, and the numbers
//   of a script run 0..parameters.size()-1 in order of appearance;
// - every statement's [begin, end) span lies inside the script text and
//   excludes the ';' that ends it.
#pragma once

#include "engine/sql/value.h"

#include <cstddef>
#include <string>
#include <vector>

namespace sql {

enum class ExprKind : uint8_t {
    Literal,   // value
    Variable,  // slot
    Parameter, // parameter
    Unary,     // op ("-", "+", "NOT"), args[0]
    Binary,    // op, args[0], args[1]
    IsNull,    // args[0]; negated for IS NOT NULL
    Function,  // name upper-cased, args
    Cast,      // args[0], castType
};

struct Expr {
    ExprKind kind = ExprKind::Literal;
    size_t offset = 0; // where the expression starts, for fault positions
    Value value;
    size_t slot = 0;
    size_t parameter = 0;
    std::string op;
    std::string name;
    bool negated = false;
    DeclaredType castType;
    std::vector<Expr> args;
};

// A reference inside the text of a data statement, for the stage that runs
// it: a parameter (by number) or a variable (by slot), with its span in the
// script text.
struct DataReference {
    bool isParameter = false;
    size_t parameter = 0;
    size_t slot = 0;
    size_t offset = 0;
    size_t length = 0;
};

// SELECT, INSERT, UPDATE or DELETE kept as text; `text` is the statement's
// source and reference offsets are relative to it.
struct DataStatement {
    std::string verb; // upper-cased first word
    std::string text;
    std::vector<DataReference> references;
};

struct ProcedureCall {
    std::string name;
    std::vector<Expr> args;
};

struct ColumnDefinition {
    std::string name;
    DeclaredType type;
};

// CREATE/DROP TABLE and INDEX.
struct DefinitionStatement {
    enum class Verb : uint8_t { CreateTable, DropTable, CreateIndex, DropIndex } verb = Verb::CreateTable;
    std::string table;
    std::string index;
    bool unique = false;
    std::vector<ColumnDefinition> columns; // CreateTable
    std::vector<std::string> keyColumns;   // CreateIndex
};

enum class StatementKind : uint8_t {
    Declare,       // declarations (slots)
    DeclareCursor, // slot, cursor query: procedure or data
    Assign,        // slot, expr
    Open, Fetch, Close, // slot
    If,            // condition, body, elseBody
    While,         // condition, body
    Execute,       // procedure
    Definition,    // definition
    Data,          // data
};

struct Statement {
    StatementKind kind = StatementKind::Declare;
    size_t begin = 0;
    size_t end = 0;
    std::vector<size_t> declarations; // Declare
    size_t slot = 0;
    Expr expr; // Assign: the value; If/While: the condition
    bool isProcedure = false; // DeclareCursor: procedure (else data)
    ProcedureCall procedure;  // Execute, DeclareCursor
    DataStatement data;       // Data, DeclareCursor
    size_t queryBegin = 0;    // DeclareCursor: span of the cursor's query
    size_t queryEnd = 0;
    DefinitionStatement definition;
    std::vector<Statement> body;
    std::vector<Statement> elseBody;
};

struct NameDeclaration {
    std::string name; // without @, as written
    bool isCursor = false;
    DeclaredType type;
    size_t offset = 0;
};

struct ParameterReference {
    std::string name; // "" for ?
    size_t offset = 0;
};

struct Script {
    std::string text;
    std::vector<Statement> statements;
    std::vector<NameDeclaration> names;
    std::vector<ParameterReference> parameters; // in order of appearance
};

} // namespace sql
