// The text a caller scans for ":name" markers, made to show exactly the
// parameters the engine numbers.
//
// The data-access layer finds parameters with simpler rules than the
// engine's lexer: it sees markers inside comments and [bracketed names],
// and a name of its own runs on to the next blank, ')', ',' or ';' (so
// ":a+:b" would be one name to it and two parameters to the engine). Binding
// by position after such a mismatch would give values to the wrong
// parameters. The scan text has the same length as the script: comments,
// strings and quoted names are blanked (line breaks kept), and the
// character that ends each parameter name becomes a blank when the layer
// would not stop there. A text that does not lex is returned unchanged; the
// prepare reports its fault.
#pragma once

#include <string>
#include <string_view>

namespace sql {

std::string ParameterScanText(std::string_view script);

} // namespace sql
