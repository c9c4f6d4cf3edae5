// Small conversions shared by the storage layer: little/big-endian integers,
// Julian day numbers, and the text forms of numbers, dates and times. Pure
// functions; the ones that parse return std::nullopt for text they reject.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace storage::codec {

inline uint16_t GetU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t GetU64(const uint8_t* p) { return uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32); }
inline void PutU16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline void PutU64(uint8_t* p, uint64_t v)
{
    PutU32(p, uint32_t(v));
    PutU32(p + 4, uint32_t(v >> 32));
}
inline uint32_t GetU32BE(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint16_t GetU16BE(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline void PutU32BE(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * (3 - i)));
}
inline void PutU16BE(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline double GetDouble(const uint8_t* p)
{
    uint64_t bits = GetU64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline void PutDouble(uint8_t* p, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutU64(p, bits);
}

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

constexpr int32_t kMillisecondsPerDay = 86400000;

// Julian day number of a proleptic Gregorian date (2000-01-01 is 2451545).
int32_t JulianFromCivil(CivilDate date);
CivilDate CivilFromJulian(int32_t julian);
bool IsValidDate(CivilDate date);

// "YYYYMMDD" (also accepted: "YYYY-MM-DD"); nullopt unless a real date.
std::optional<int32_t> ParseDateText(std::string_view text);
std::string DateText(int32_t julian);
// "HH:MM[:SS[.mmm]]" -> milliseconds since midnight.
std::optional<int32_t> ParseTimeText(std::string_view text);
std::string TimeText(int32_t milliseconds);

// Numbers: "  -12.50", "12,5" and "1e3" are accepted; blanks around are ignored.
std::optional<double> ParseDouble(std::string_view text);
std::optional<int64_t> ParseInteger(std::string_view text);
// Fixed-point text of `value` with `decimals` digits after the point,
// rounded half away from zero; nullopt when it would be longer than `width`.
std::optional<std::string> FixedText(double value, int decimals, size_t width);
// Shortest text that reads back as the same double.
std::string ShortestText(double value);

std::string TrimRight(std::string_view text, bool alsoNul = true);
std::string Trim(std::string_view text);
// The current local date and time as a Julian day and milliseconds.
void LocalNow(int32_t& julian, int32_t& milliseconds);

} // namespace storage::codec
