// Table and index definitions:
//   CREATE TABLE t (column type[(length[, decimals])], ...)
//   DROP TABLE t
//   CREATE [UNIQUE] INDEX i ON t (column, ...)
//   DROP INDEX t.i
#include "engine/sql/parser_internal.h"
#include "engine/sql/sql_error.h"

namespace sql::detail {

void Parser::ParseCreate(Statement& statement)
{
    statement.kind = StatementKind::Definition;
    DefinitionStatement& def = statement.definition;
    if (AcceptWord("TABLE")) {
        def.verb = DefinitionStatement::Verb::CreateTable;
        def.table = ExpectName("a table name").text;
        def.columns = ParseColumnDefinitions();
        return;
    }
    def.unique = AcceptWord("UNIQUE");
    if (!Peek().IsWord("INDEX"))
        Fail(kSyntax, Peek(), std::string("Expected ") + (def.unique ? "INDEX" : "TABLE or INDEX") + " but found " +
                                  Describe(Peek()));
    Next();
    def.verb = DefinitionStatement::Verb::CreateIndex;
    def.index = ExpectName("an index name").text;
    ExpectWord("ON");
    def.table = ExpectName("a table name").text;
    def.keyColumns = ParseNameList();
}

void Parser::ParseDrop(Statement& statement)
{
    statement.kind = StatementKind::Definition;
    DefinitionStatement& def = statement.definition;
    if (AcceptWord("TABLE")) {
        def.verb = DefinitionStatement::Verb::DropTable;
        def.table = ExpectName("a table name").text;
        return;
    }
    ExpectWord("INDEX");
    def.verb = DefinitionStatement::Verb::DropIndex;
    def.table = ExpectName("a table name").text;
    ExpectSymbol(".");
    def.index = ExpectName("an index name").text;
}

std::vector<ColumnDefinition> Parser::ParseColumnDefinitions()
{
    std::vector<ColumnDefinition> columns;
    ExpectSymbol("(");
    do {
        const Token& name = ExpectName("a column name");
        for (const ColumnDefinition& existing : columns)
            if (EqualsIgnoreCase(existing.name, name.text))
                Fail(kDuplicate, name, "The column " + name.text + " is defined twice");
        ColumnDefinition column;
        column.name = name.text;
        column.type = ParseType();
        columns.push_back(std::move(column));
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return columns;
}

std::vector<std::string> Parser::ParseNameList()
{
    std::vector<std::string> names;
    ExpectSymbol("(");
    do {
        names.push_back(ExpectName("a column name").text);
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return names;
}

} // namespace sql::detail
