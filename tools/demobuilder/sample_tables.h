// The sample tables of the demo installation: a sales folder with one
// table of each table type and the tables of an accounting dictionary,
// filled with a few thousand made-up records (names, towns, dates, amounts,
// notes; some dates and notes left empty) and indexed.
#pragma once

#include "engine/engine.h"

#include <functional>
#include <string>
#include <vector>

namespace demo {

// One column's value for record i (1-based); "" leaves it NULL/empty.
struct Column {
    std::string name;
    std::string definition; // e.g. "Char,30"
    enum Kind { Text, Number, Date } kind = Text;
    std::function<std::string(int i)> value;
};

struct SampleTable {
    std::string name;
    UNSIGNED16 type;
    int records;
    std::vector<Column> columns;
    std::vector<std::pair<std::string, std::string>> indexes; // tag, expression
};

std::vector<SampleTable> SalesTables();
std::vector<SampleTable> AccountingTables();

// Creates the table in the folder of `folderConnection` and fills it; when
// `dictionary` (a dictionary connection on that folder) is not 0 it lists
// the table as well.
void MakeSampleTable(ADSHANDLE folderConnection, const SampleTable& table, ADSHANDLE dictionary = 0);

} // namespace demo
