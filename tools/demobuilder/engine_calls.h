// The few engine calls the demo builder makes, each checked: a failure
// throws DemoError with the engine's own text.
#pragma once

#include "engine/engine.h"

#include <stdexcept>
#include <string>

namespace demo {

class DemoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws when `code` is not success, naming `what`.
void Check(UNSIGNED32 code, const std::string& what);

class Connection {
public:
    // A folder, or a dictionary file with a user and password.
    explicit Connection(const std::string& connectString);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ADSHANDLE Handle() const { return mHandle; }
    // Adopts a handle opened elsewhere (AdsDDCreate).
    explicit Connection(ADSHANDLE handle) : mHandle(handle) {}

    // Runs a statement to its end; its rows are not read.
    void Execute(const std::string& sql) const;

private:
    ADSHANDLE mHandle = 0;
};

std::string Quoted(const std::string& text);

} // namespace demo
