// libFuzzer target for the SQL script parser and interpreter (and the
// parameter scan text, which must keep the input's length): any input
// either parses or is refused with an SqlError, and a parsed script runs
// against a few procedures until it ends, fails with an SqlError, or
// exhausts its statement budget. Anything else (a crash, another
// exception, a hang) is a finding; keep such inputs in
// tests/engine/data/sql/, where a test replays them.
#include "engine/sql/interpreter.h"
#include "engine/sql/parameter_scan.h"
#include "engine/sql/parser.h"
#include "engine/sql/procedures.h"
#include "engine/sql/sql_error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

sql::ProcedureRegistry& Registry()
{
    static sql::ProcedureRegistry* registry = [] {
        auto* r = new sql::ProcedureRegistry;
        auto none = [](const std::vector<sql::Value>&) { return std::vector<std::vector<sql::Value>>{}; };
        r->Register({"sp_Nothing", 0, {}, none});
        r->Register({"sp_RestoreFreeTables", 4, {{"Result", sql::DataType::String}},
                    [](const std::vector<sql::Value>&) {
                        return std::vector<std::vector<sql::Value>>{{sql::Value::String("done")}};
                    }});
        return r;
    }();
    return *registry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // The scan text stands in for the caller's buffer: it must keep its length.
    if (sql::ParameterScanText(text).size() != text.size())
        std::abort();
    try {
        sql::Script script = sql::ParseScript(text);
        sql::ParameterValues values(script.parameters.size());
        if (values.Count() > 0)
            values.SetString(1, "fuzz");
        sql::ProcedureExecutor executor(Registry());
        int budget = 2000;
        sql::ExecutionHooks hooks;
        hooks.abortRequested = [&budget] { return --budget < 0; };
        sql::RunScript(script, values, executor, hooks);
    } catch (const sql::SqlError&) {
    }
    return 0;
}
