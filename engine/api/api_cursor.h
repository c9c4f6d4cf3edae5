// The call guard of every function that works on a table or cursor handle:
// finds the cursor, holds its lock for the whole call, and refuses a cursor
// closed meanwhile by another thread. An index handle stands for its cursor
// with that index as the order of the call.
#pragma once

#include "engine/api/api.h"
#include "engine/core/cursor.h"
#include "engine/core/field_access.h"
#include "engine/index/index_order.h"

#include <mutex>

namespace engine {

// Makes an index handle's order the cursor's order for one call.
class CallOrder {
public:
    CallOrder(Cursor& cursor, IndexOrder* order) : mCursor(cursor) { cursor.UseOrder(order); }
    ~CallOrder() { mCursor.UseOrder(nullptr); }
    CallOrder(const CallOrder&) = delete;
    CallOrder& operator=(const CallOrder&) = delete;

private:
    Cursor& mCursor;
};

template <class Body>
UNSIGNED32 WithCursor(const char* function, ADSHANDLE hTable, Body&& body) noexcept
{
    return ApiCall(function, [&] {
        std::shared_ptr<IndexOrder> order;
        std::shared_ptr<Cursor> cursor = CursorOfHandle(hTable, function, order);
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        if (cursor->IsClosed())
            ThrowBadHandle(hTable, HandleKind::Table, function);
        CallOrder scope(*cursor, order.get());
        body(*cursor);
    });
}

// As WithCursor, for the functions that need an index handle.
template <class Body>
UNSIGNED32 WithOrder(const char* function, ADSHANDLE hIndex, Body&& body) noexcept
{
    return WithCursor(function, hIndex, [&](Cursor& cursor) {
        IndexOrder* order = cursor.CallOrder();
        if (!order)
            throw EngineError(AE_HANDLE_KIND, std::string(function) + ": handle " + std::to_string(hIndex)
                                                  + " is a table, not an index.");
        body(cursor, *order);
    });
}

// As WithCursor, for the functions that address one column.
template <class Body>
UNSIGNED32 WithField(const char* function, ADSHANDLE hTable, ADSFIELD_ID field, Body&& body) noexcept
{
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        size_t index = cursor.FieldIndex(field, function);
        body(cursor, index);
        // Through an index handle the value went into the key being built.
        IndexOrder* order = cursor.CallOrder();
        if (order && order->TakeKeyWritten())
            order->NoteSegmentSet(cursor.Layout(), index);
    });
}

} // namespace engine
