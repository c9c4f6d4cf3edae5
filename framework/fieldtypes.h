// Field types of the dataset framework, in their fixed ordinal order (code
// compares and stores them by number, so new types only ever go at the end),
// the kinds of fields, blob stream modes, and the size of each type's
// native value.
//
// Native values (what field buffers hold):
//   ftBoolean 16-bit 0 / -1; ftSmallint, ftShortint(*), ftByte(*), ftWord
//   16-bit (* held as 16 bits like their wider kin); ftInteger, ftAutoInc,
//   ftLongWord 32-bit; ftLargeint 64-bit; ftFloat, ftCurrency 64-bit double;
//   ftSingle 32-bit float; ftBCD, ftFMTBcd the 34-byte TBcd; ftDate 32-bit
//   day number (day 1 = 1 January of year 1); ftTime 32-bit milliseconds
//   since midnight; ftDateTime, ftTimeStamp 64-bit double day number *
//   86400000 + milliseconds; ftString, ftFixedChar, ftGuid 8-bit text +
//   terminator; ftWideString, ftFixedWideChar UTF-16 text + terminator;
//   ftBytes the bytes; ftVarBytes 16-bit length then the bytes; blobs and
//   memos have no value buffer (read through blob streams).
#pragma once

#include "framework/typinfo.h"

#include <QString>

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo,
    ftOraTimeStamp, ftOraInterval, ftLongWord, ftShortint, ftByte, ftExtended, ftConnection,
    ftParams, ftStream, ftTimeStampOffset, ftObject, ftSingle,
};
constexpr int FieldTypeCount = int(ftSingle) + 1;

VARNEL_ENUM_NAMES(TFieldType,
    "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat", "ftCurrency", "ftBCD",
    "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic",
    "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString",
    "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant",
    "ftInterface", "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd", "ftFixedWideChar", "ftWideMemo",
    "ftOraTimeStamp", "ftOraInterval", "ftLongWord", "ftShortint", "ftByte", "ftExtended", "ftConnection",
    "ftParams", "ftStream", "ftTimeStampOffset", "ftObject", "ftSingle");

// "ftString" for ftString; "ftUnknown" style name of any value in range.
QString FieldTypeName(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
VARNEL_ENUM_NAMES(TFieldKind, "fkData", "fkCalculated", "fkLookup", "fkInternalCalc", "fkAggregate");

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// Blob-like types: ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle,
// ftDBaseOle, ftTypedBinary, ftOraBlob, ftOraClob, ftWideMemo.
bool IsBlobType(TFieldType type);
// Text held as 8-bit or UTF-16 characters: ftString, ftFixedChar, ftGuid,
// ftWideString, ftFixedWideChar (memos are blobs).
bool IsStringType(TFieldType type);
bool IsWideStringType(TFieldType type);  // ftWideString, ftFixedWideChar, ftWideMemo

// Bytes of the native value of a field of `type` with definition size
// `size` (characters for text, bytes for ftBytes/ftVarBytes): text size + 1
// (UTF-16 text (size + 1) * 2), ftGuid 39, ftVarBytes size + 2; 0 for blobs
// and for types without a native value (ftADT, ftArray, ftDataSet, ...).
int NativeDataSize(TFieldType type, int size);
