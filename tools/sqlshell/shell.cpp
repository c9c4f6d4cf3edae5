#include "shell.h"

#include "statement_splitter.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace sqlshell {
namespace {

const char* const kPrompt = "varnel-sql> ";
const char* const kContinuationPrompt = "        ... ";

bool ReadWhole(std::istream& in, std::string& text)
{
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n\f\v") == std::string::npos; }

std::string CurrentFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string(".") : folder.string();
}

} // namespace

Shell::Shell(const ShellOptions& options, std::ostream& out, std::ostream& err)
    : mOptions(options), mOut(out), mErr(err)
{
}

int Shell::Run()
{
    const std::string target = mOptions.connectTarget.empty() ? CurrentFolder() : mOptions.connectTarget;
    if (auto error = mSession.Connect(target)) {
        ReportError(*error);
        return 1;
    }
    for (const ShellInput& input : mOptions.inputs)
        RunInput(input);
    mOut.flush();
    return mAnyFailed ? 1 : 0;
}

void Shell::RunInput(const ShellInput& input)
{
    switch (input.kind) {
    case ShellInput::Kind::Text:
        RunText(input.value);
        break;
    case ShellInput::Kind::File:
        RunFile(input.value);
        break;
    case ShellInput::Kind::StandardInput:
        RunStandardInput();
        break;
    }
}

void Shell::RunFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    std::string script;
    if (!file || !ReadWhole(file, script)) {
        ReportFailure("cannot read " + fileName + ": " + std::strerror(errno));
        return;
    }
    RunText(script);
}

void Shell::RunStandardInput()
{
    if (isatty(STDIN_FILENO)) {
        RunInteractive();
        return;
    }
    std::string script;
    if (!ReadWhole(std::cin, script)) {
        ReportFailure("cannot read standard input");
        return;
    }
    RunText(script);
}

void Shell::RunInteractive()
{
    // Prompts only on a terminal, so that redirected output holds results alone.
    const bool prompt = isatty(STDOUT_FILENO);
    StatementSplitter splitter;
    std::string line;
    for (;;) {
        if (prompt)
            mOut << (splitter.Pending() ? kContinuationPrompt : kPrompt) << std::flush;
        if (!std::getline(std::cin, line))
            break;
        if (auto statement = splitter.AddLine(line))
            RunText(*statement);
    }
    if (prompt)
        mOut << "\n";
    if (auto statement = splitter.Finish())
        RunText(*statement);
}

void Shell::RunText(const std::string& sql)
{
    // Nothing to run is not an engine error: an empty file or a stray
    // blank line simply does nothing.
    if (IsBlank(sql))
        return;
    const ExecutionOutcome outcome = mSession.Execute(sql);
    if (outcome.error) {
        ReportError(*outcome.error);
    } else if (!outcome.result) {
        // With CSV the note goes to standard error so the output stays CSV.
        (mOptions.csv ? mErr : mOut) << "(no result)\n";
    } else {
        mOut << (mOptions.csv ? FormatCsv(*outcome.result) : FormatAligned(*outcome.result));
    }
    mOut.flush();
}

void Shell::ReportError(const EngineError& error)
{
    mOut.flush();
    mErr << "error " << error.code << ": " << error.text << "\n" << std::flush;
    mAnyFailed = true;
}

void Shell::ReportFailure(const std::string& message)
{
    mOut.flush();
    mErr << "error: " << message << "\n" << std::flush;
    mAnyFailed = true;
}

} // namespace sqlshell
