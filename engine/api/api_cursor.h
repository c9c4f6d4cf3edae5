// The call guard of every function that works on a table or cursor handle:
// finds the cursor, holds its lock for the whole call, and refuses a cursor
// closed meanwhile by another thread.
#pragma once

#include "engine/api/api.h"
#include "engine/core/cursor.h"
#include "engine/core/field_access.h"

#include <mutex>

namespace engine {

template <class Body>
UNSIGNED32 WithCursor(const char* function, ADSHANDLE hTable, Body&& body) noexcept
{
    return ApiCall(function, [&] {
        std::shared_ptr<Cursor> cursor = LookUp<Cursor>(hTable, function);
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        if (cursor->IsClosed())
            ThrowBadHandle(hTable, HandleKind::Table, function);
        body(*cursor);
    });
}

// As WithCursor, for the functions that address one column.
template <class Body>
UNSIGNED32 WithField(const char* function, ADSHANDLE hTable, ADSFIELD_ID field, Body&& body) noexcept
{
    return WithCursor(function, hTable, [&](Cursor& cursor) { body(cursor, cursor.FieldIndex(field, function)); });
}

} // namespace engine
