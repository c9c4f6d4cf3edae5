// FtsHandle: a full-text index as one cursor's caller sees it, an index
// handle that names the index by its table file and name (an index made
// again under the same name is the same handle).
//
// Invariants:
// - A handle belongs to one cursor; it refuses use once that cursor is
//   closed, and calls through it hold the cursor's lock like any call on
//   the cursor.
// - One handle per cursor and index name: listing the indexes again hands
//   out the same handles.
#pragma once

#include "engine/core/cursor.h"
#include "engine/core/handles.h"
#include "engine/index/fts_index.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

class FtsHandle : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::FullTextIndex;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::FullTextIndex; }
    HandleKind Kind() const override { return HandleKind::FullTextIndex; }

    FtsHandle(std::weak_ptr<Cursor> cursor, ADSHANDLE cursorHandle, std::string name)
        : mCursor(std::move(cursor)), mCursorHandle(cursorHandle), mName(std::move(name))
    {
    }
    std::shared_ptr<Cursor> OwnerCursor() const { return mCursor.lock(); }
    ADSHANDLE CursorHandle() const { return mCursorHandle; }
    const std::string& Name() const { return mName; }

private:
    std::weak_ptr<Cursor> mCursor;
    ADSHANDLE mCursorHandle;
    std::string mName;
};

// The full-text handle behind `handle`, or null when it is another kind.
std::shared_ptr<FtsHandle> FtsHandleOf(ADSHANDLE handle);

// The handles of the table's full-text indexes on the cursor.
std::vector<ADSHANDLE> FtsHandlesOf(const std::shared_ptr<Cursor>& cursor);
ADSHANDLE FtsHandleFor(const std::shared_ptr<Cursor>& cursor, const std::string& name);

// The cursor of a full-text handle (locked by the caller), its file and
// index; raises for a closed cursor or an index deleted meanwhile.
struct FtsTarget {
    std::shared_ptr<fts::FtsFile> file;
    std::shared_ptr<fts::FtsIndex> index;
};
FtsTarget FtsTargetOf(Cursor& cursor, const FtsHandle& handle, const char* function);

} // namespace engine
