// A search for table files in a folder (AdsFindFirstTable and its kin): the
// matching names are listed when the search starts, in name order, and
// handed out one by one. The search belongs to its connection.
#pragma once

#include "engine/core/handles.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace engine {

class TableSearch : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::Find;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::Find; }
    HandleKind Kind() const override { return HandleKind::Find; }

    // `mask` is "folder/pattern" or a bare pattern; a relative folder is
    // taken inside `connectionFolder`. Patterns use * and ? and match without
    // regard to case. All names are 8-bit system-code-page text.
    TableSearch(ADSHANDLE connection, const std::string& connectionFolder, const std::string& mask);
    // A search over names already known (a dictionary's tables or
    // procedures); `description` stands for the mask in messages.
    TableSearch(ADSHANDLE connection, std::string description, std::vector<std::string> names);

    ADSHANDLE ConnectionHandle() const { return mConnection; }
    const std::string& Mask() const { return mMask; }
    std::mutex& Mutex() { return mMutex; }
    // The next name, without taking it; nullopt at the end.
    std::optional<std::string> Peek() const;
    void Advance() { ++mNext; }

private:
    ADSHANDLE mConnection;
    std::string mMask;
    std::vector<std::string> mNames;
    size_t mNext = 0;
    std::mutex mMutex;
};

} // namespace engine
