// Column values of a cursor's current record as the C interface exchanges
// them: 8-bit text in the system code page, UTF-16 for the W functions, raw
// bytes for binary content.
//
// Rules:
// - Fixed character columns read untrimmed with ADS_NONE (padded to their
//   width, so a caller writing the value back into a record image overwrites
//   the whole column); ADS_LTRIM, ADS_RTRIM and ADS_TRIM trim blanks.
// - Unicode columns convert to and from 8-bit text through Windows-1252;
//   a character that code page cannot hold becomes '?'.
// - Memo columns read and write their content through the memo file; the
//   new reference goes into the pending record image.
#pragma once

#include "engine/core/cursor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

std::string FieldText(Cursor& cursor, size_t field, uint16_t option);
std::u16string FieldUnits(Cursor& cursor, size_t field, uint16_t option);
// Binary content: memo bytes, or the column's raw bytes.
std::vector<uint8_t> FieldBytes(Cursor& cursor, size_t field);
// Length without terminator: bytes, or UTF-16 units for Unicode columns.
uint32_t FieldDataLength(Cursor& cursor, size_t field);

void SetFieldText(Cursor& cursor, size_t field, std::string_view text, const char* function);
void SetFieldUnits(Cursor& cursor, size_t field, std::u16string_view text, const char* function);
void SetFieldBytes(Cursor& cursor, size_t field, const uint8_t* data, size_t length, const char* function);
void SetFieldEmpty(Cursor& cursor, size_t field, const char* function);

bool IsUnicodeType(uint16_t type);
std::u16string UnitsFromLittleEndian(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> LittleEndianFromUnits(std::u16string_view units);

} // namespace engine
