#include "engine/api/api.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace engine {

UNSIGNED32 NotYetSupported(const char* function) noexcept
{
    return ApiCall(function, [&] { ThrowNotYetSupported(function); });
}

namespace {

[[noreturn]] void ThrowTooSmall(const char* function, size_t needed)
{
    throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the buffer is too small; "
                                                  + std::to_string(needed) + " units are needed");
}

} // namespace

template <class Length>
void CopyTextOut(std::string_view value, char* buffer, Length* length, const char* function)
{
    RequireArgument(length != nullptr, function, "the length argument is null");
    size_t capacity = *length;
    RequireArgument(buffer != nullptr || capacity == 0, function, "the buffer is null");
    size_t reported = std::min<size_t>(value.size(), std::numeric_limits<Length>::max());
    if (value.size() + 1 <= capacity) {
        std::memcpy(buffer, value.data(), value.size());
        buffer[value.size()] = '\0';
        *length = static_cast<Length>(value.size());
        return;
    }
    if (capacity > 0) {
        std::memcpy(buffer, value.data(), capacity - 1);
        buffer[capacity - 1] = '\0';
    }
    *length = static_cast<Length>(reported);
    ThrowTooSmall(function, value.size() + 1);
}

template void CopyTextOut<UNSIGNED16>(std::string_view, char*, UNSIGNED16*, const char*);
template void CopyTextOut<UNSIGNED32>(std::string_view, char*, UNSIGNED32*, const char*);

void CopyUnitsOut(std::u16string_view value, char16_t* buffer, UNSIGNED32* length, const char* function)
{
    RequireArgument(length != nullptr, function, "the length argument is null");
    size_t capacity = *length;
    RequireArgument(buffer != nullptr || capacity == 0, function, "the buffer is null");
    if (value.size() + 1 <= capacity) {
        std::copy(value.begin(), value.end(), buffer);
        buffer[value.size()] = u'\0';
        *length = static_cast<UNSIGNED32>(value.size());
        return;
    }
    if (capacity > 0) {
        std::copy(value.begin(), value.begin() + (capacity - 1), buffer);
        buffer[capacity - 1] = u'\0';
    }
    *length = static_cast<UNSIGNED32>(value.size());
    ThrowTooSmall(function, value.size() + 1);
}

void CopyBytesOut(std::string_view bytes, UNSIGNED8* buffer, UNSIGNED32* length, const char* function)
{
    RequireArgument(length != nullptr, function, "the length argument is null");
    size_t capacity = *length;
    RequireArgument(buffer != nullptr || capacity == 0, function, "the buffer is null");
    size_t copied = std::min(capacity, bytes.size());
    if (copied > 0)
        std::memcpy(buffer, bytes.data(), copied);
    *length = static_cast<UNSIGNED32>(bytes.size());
    if (copied < bytes.size())
        ThrowTooSmall(function, bytes.size());
}

std::string TextArgument(const char* text, const char* function, const char* what)
{
    RequireArgument(text != nullptr, function, what);
    return std::string(text);
}

} // namespace engine
