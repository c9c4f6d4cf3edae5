// Shared helpers of the exported functions: the call guard, argument checks
// and the output-buffer conventions of the C interface.
//
// Output conventions: the caller passes its buffer size in *len; a text
// value is written with a zero terminator and *len becomes the value's length
// without it. When value and terminator do not fit, as much of the value as
// fits is written (still terminated when the buffer has room for anything),
// *len becomes the full length and the call fails with AE_INSUFFICIENT_BUFFER.
#pragma once

#include "engine/core/call.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// The answer of a function a later version of the engine implements.
UNSIGNED32 NotYetSupported(const char* function) noexcept;

template <class T>
T& Out(T* pointer, const char* function, const char* what)
{
    RequireArgument(pointer != nullptr, function, what);
    return *pointer;
}

// Writes 8-bit text into a caller's buffer (see the conventions above).
template <class Length>
void CopyTextOut(std::string_view value, char* buffer, Length* length, const char* function);
void CopyUnitsOut(std::u16string_view value, char16_t* buffer, UNSIGNED32* length, const char* function);
void CopyBytesOut(std::string_view bytes, UNSIGNED8* buffer, UNSIGNED32* length, const char* function);

std::string TextArgument(const char* text, const char* function, const char* what);

} // namespace engine
