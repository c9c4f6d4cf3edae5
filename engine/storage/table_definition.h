// The table-definition text of table creation, e.g. "NAME,Char,30;ID,Integer;".
//
// Grammar: entries separated by ';' (the last ';' may be missing); each entry
// is `name,type[,length[,decimals]]` with optional further parts `NULL` or
// `NOT NULL`. Blanks around parts are ignored; type names are matched without
// regard to case. Type names: Char/Character, CIChar, Num/Numeric, Float,
// Logical, Date, CompactDate, Time, TimeStamp, ModTime, ShortInt, Integer,
// LongInt, AutoInc, Double, CurDouble, Money/Currency, Raw, VarChar,
// VarBinary, Memo, Binary/Blob, Image, NChar, NVarChar, NMemo.
// Char, CIChar, Num, Float, Raw, VarChar, VarBinary, NChar and NVarChar need
// a length (NChar and NVarChar count characters); for Double and CurDouble a
// single number is the display decimals.
//
// ParseDefinition only checks the text; MakeFields then checks each type
// against the table kind and lays the fields out in a record.
#pragma once

#include "engine/storage/field.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

struct FieldSpec {
    std::string name;
    uint16_t type = 0;       // engine field type code
    uint32_t length = 0;     // as written (characters for NChar/NVarChar); 0 when not given
    uint16_t decimals = 0;
    bool hasLength = false;
    std::optional<bool> nullable; // explicit NULL / NOT NULL
    char letter = 0;         // DBF letter asked for by the type name (Float -> 'F'), else 0
};

std::vector<FieldSpec> ParseDefinition(std::string_view text);

// The engine type name that ParseDefinition reads back as `type`.
std::string TypeName(uint16_t type);

} // namespace storage
