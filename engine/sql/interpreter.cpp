#include "engine/sql/interpreter.h"

#include "engine/sql/evaluator.h"
#include "engine/sql/sql_error.h"

#include <vector>

namespace sql {
namespace {

struct CursorState {
    const Statement* declaration = nullptr; // set when its DECLARE has run
    bool open = false;
    std::shared_ptr<ResultSet> rows;
    size_t row = 0;
};

class Interpreter {
public:
    Interpreter(const Script& script, const ParameterValues& parameters, Executor& executor, const ExecutionHooks& hooks)
        : mScript(script), mParameters(parameters), mExecutor(executor), mHooks(hooks),
          mVariables(script.names.size()), mCursors(script.names.size())
    {
        for (size_t slot = 0; slot < script.names.size(); ++slot)
            mVariables[slot] = Value::Null(script.names[slot].type.storage);
    }

    ExecutionOutcome Run()
    {
        RunBlock(mScript.statements);
        return mOutcome;
    }

private:
    void RunBlock(const std::vector<Statement>& block)
    {
        for (const Statement& statement : block)
            RunStatement(statement);
    }

    void RunStatement(const Statement& s)
    {
        CheckAbort(s);
        Announce(s);
        switch (s.kind) {
        case StatementKind::Declare:
            for (size_t slot : s.declarations)
                mVariables[slot] = Value::Null(mScript.names[slot].type.storage);
            break;
        case StatementKind::DeclareCursor:
            // Declaring again (in a loop) closes what the cursor held.
            Forget(mCursors[s.slot]);
            mCursors[s.slot] = CursorState{};
            mCursors[s.slot].declaration = &s;
            break;
        case StatementKind::Assign:
            Assign(s);
            break;
        case StatementKind::Open:
            Open(s);
            break;
        case StatementKind::Fetch:
            ++OpenCursor(s, "FETCH").row;
            break;
        case StatementKind::Close:
            Close(s);
            break;
        case StatementKind::If:
            RunBlock(IsConditionTrue(s.expr, Scope(s)) ? s.body : s.elseBody);
            break;
        case StatementKind::While:
            while (IsConditionTrue(s.expr, Scope(s))) {
                RunBlock(s.body);
                CheckAbort(s);
            }
            break;
        case StatementKind::Execute:
            Yield(Call(s, s.procedure), false);
            break;
        case StatementKind::Definition:
            mExecutor.RunDefinition(s.definition);
            break;
        case StatementKind::Data:
            RunData(s.data, s);
            break;
        }
    }

    EvaluationScope Scope(const Statement& s) const
    {
        return EvaluationScope{mScript, mVariables, mParameters, s.begin, s.end};
    }

    void CheckAbort(const Statement& s) const
    {
        if (mHooks.abortRequested && mHooks.abortRequested())
            Fail(s, s.begin, kAborted, "The script was aborted");
    }

    void Announce(const Statement& s) const
    {
        if (!mHooks.statementStarted)
            return;
        if (s.kind == StatementKind::Open && mCursors[s.slot].declaration != nullptr) {
            const Statement& d = *mCursors[s.slot].declaration;
            mHooks.statementStarted(std::string(kCursorOpenBanner) + "\n" +
                                    mScript.text.substr(d.queryBegin, d.queryEnd - d.queryBegin));
            return;
        }
        mHooks.statementStarted(mScript.text.substr(s.begin, s.end - s.begin));
    }

    [[noreturn]] void Fail(const Statement& s, size_t offset, uint32_t native, const std::string& problem) const
    {
        throw SqlError(native, problem, SourcePlace{mScript.text, s.begin, s.end, offset});
    }

    void Assign(const Statement& s)
    {
        Value value = Evaluate(s.expr, Scope(s));
        try {
            mVariables[s.slot] = ConvertTo(value, mScript.names[s.slot].type);
        } catch (const ValueFault& fault) {
            Fail(s, s.expr.offset, fault.NativeNumber(), std::string(fault.what()) + " for " + mScript.names[s.slot].name);
        }
    }

    CursorState& DeclaredCursor(const Statement& s, const char* verb)
    {
        CursorState& cursor = mCursors[s.slot];
        if (cursor.declaration == nullptr)
            Fail(s, s.begin, kCursorState,
                 std::string(verb) + " of cursor " + mScript.names[s.slot].name + " whose declaration has not run");
        return cursor;
    }

    CursorState& OpenCursor(const Statement& s, const char* verb)
    {
        CursorState& cursor = DeclaredCursor(s, verb);
        if (!cursor.open)
            Fail(s, s.begin, kCursorState, std::string(verb) + " of cursor " + mScript.names[s.slot].name + ", which is not open");
        return cursor;
    }

    void Open(const Statement& s)
    {
        CursorState& cursor = DeclaredCursor(s, "OPEN");
        if (cursor.open)
            Fail(s, s.begin, kCursorState, "Cursor " + mScript.names[s.slot].name + " is already open");
        const Statement& d = *cursor.declaration;
        std::shared_ptr<ResultSet> rows = d.isProcedure ? Call(d, d.procedure) : RunData(d.data, d);
        cursor.open = true;
        cursor.row = 0;
        cursor.rows = rows;
        Yield(std::move(rows), true);
    }

    // The result is the newest yielded rows not closed since. Only a
    // cursor's rows can be closed, so rows yielded before a statement's own
    // rows can never be the result again and are dropped.
    void Yield(std::shared_ptr<ResultSet> rows, bool closable)
    {
        if (!rows)
            return;
        if (!closable)
            mYielded.clear();
        mYielded.push_back(rows);
        mOutcome.result = std::move(rows);
    }

    void Close(const Statement& s)
    {
        Forget(OpenCursor(s, "CLOSE"));
    }

    void Forget(CursorState& cursor)
    {
        if (cursor.rows) {
            std::erase(mYielded, cursor.rows);
            mOutcome.result = mYielded.empty() ? nullptr : mYielded.back();
        }
        cursor.open = false;
        cursor.rows.reset();
    }

    std::shared_ptr<ResultSet> Call(const Statement& s, const ProcedureCall& call)
    {
        std::vector<Value> args;
        args.reserve(call.args.size());
        for (const Expr& arg : call.args)
            args.push_back(Evaluate(arg, Scope(s)));
        try {
            return mExecutor.CallProcedure(call.name, args);
        } catch (const SqlError& e) {
            // The registry's own refusals know no place; give them the call's.
            bool placeless = e.Line() == 0 && (e.NativeNumber() == kUnknownProcedure || e.NativeNumber() == kArgumentCount);
            if (!placeless)
                throw;
            Fail(s, s.begin, e.NativeNumber(), e.Problem());
        }
    }

    std::shared_ptr<ResultSet> RunData(const DataStatement& data, const Statement& s)
    {
        std::vector<Value> values;
        values.reserve(data.references.size());
        for (const DataReference& ref : data.references)
            values.push_back(ref.isParameter ? mParameters.Get(ref.parameter) : mVariables[ref.slot]);
        DataOutcome outcome = mExecutor.RunData(data, values);
        if (outcome.rowsAffected >= 0)
            mOutcome.rowsAffected = outcome.rowsAffected;
        if (s.kind == StatementKind::Data)
            Yield(outcome.rows, false);
        return outcome.rows;
    }

    const Script& mScript;
    const ParameterValues& mParameters;
    Executor& mExecutor;
    const ExecutionHooks& mHooks;
    std::vector<Value> mVariables;
    std::vector<CursorState> mCursors;
    std::vector<std::shared_ptr<ResultSet>> mYielded;
    ExecutionOutcome mOutcome;
};

} // namespace

ExecutionOutcome RunScript(const Script& script, const ParameterValues& parameters, Executor& executor,
                           const ExecutionHooks& hooks)
{
    if (parameters.Count() != script.parameters.size())
        throw SqlError(kParameter, "The script has " + std::to_string(script.parameters.size()) + " parameters, but " +
                                       std::to_string(parameters.Count()) + " positions were bound");
    return Interpreter(script, parameters, executor, hooks).Run();
}

} // namespace sql
