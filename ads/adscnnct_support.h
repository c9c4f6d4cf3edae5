// Small helpers shared by the connection component's .cpp files (not part
// of its interface).
#pragma once

#include "ads/adserror.h"
#include "framework/classes.h"
#include "platform/codepages.h"

#include <QByteArray>
#include <cstdint>
#include <cstring>

namespace adscnnct {

inline void Fire(const TNotifyEvent& event, TObject* sender)
{
    if (event)
        event(sender);
}

// The text of an engine output buffer of `size` bytes, up to its first zero.
inline QString EngineText(const char* buffer, size_t size)
{
    return AnsiToString(QByteArray(buffer, qsizetype(strnlen(buffer, size))));
}

// The connection-level calls whose failures carry only the engine's text.
inline void CheckConnectionCall(uint32_t result)
{
    if (result != 0)
        throw AdsError(result, false);
}

} // namespace adscnnct
