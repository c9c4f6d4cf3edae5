#include "engine/api/api_cursor.h"
#include "engine/core/dates.h"
#include "engine/core/open_table.h"

#include <cmath>
#include <cstring>

using namespace engine;

namespace {

UNSIGNED32 OpenTable(const char* function, ADSHANDLE hConnect, const char* pucName, UNSIGNED16 usTableType,
                     UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions,
                     const char* pucCollation, ADSHANDLE* phTable)
{
    return ApiCall(function, [&] {
        ADSHANDLE& out = Out(phTable, function, "the table handle argument is null");
        TableRequest request;
        request.name = TextArgument(pucName, function, "the table name is null");
        request.tableType = usTableType;
        request.charType = usCharType;
        request.lockType = usLockType;
        request.checkRights = usCheckRights;
        request.options = ulOptions;
        request.collation = pucCollation ? pucCollation : "";
        out = OpenTableCursor(hConnect, request, function);
    });
}

UNSIGNED8 ColumnPermissions(Cursor& cursor, size_t field)
{
    UNSIGNED8 permissions = ADS_PERMISSION_READ;
    uint16_t type = cursor.Layout().Field(field).type;
    bool maintained = type == storage::ft::AutoInc || type == storage::ft::ModTime;
    if (!cursor.Table().IsReadOnly() && !maintained)
        permissions |= ADS_PERMISSION_UPDATE | ADS_PERMISSION_INSERT;
    return permissions;
}

// Lengths of Unicode columns count characters (UTF-16 units).
UNSIGNED32 LengthInUnits(const storage::FieldDesc& desc)
{
    bool inCharacters = desc.type == storage::ft::NChar || desc.type == storage::ft::NVarChar;
    return inCharacters ? desc.length / 2 : desc.length;
}

// The functions that answer one property of one column.
template <class T, class Read>
UNSIGNED32 ReadColumn(const char* function, ADSHANDLE hTable, ADSFIELD_ID field, T* out, const char* what, Read read)
{
    return WithField(function, hTable, field, [&](Cursor& cursor, size_t index) {
        RequireArgument(out != nullptr, function, (std::string("the ") + what + " argument is null").c_str());
        *out = static_cast<T>(read(cursor, index));
    });
}

// Fills a caller's record buffer with the blank image of the table.
UNSIGNED32 BlankImage(const char* function, ADSHANDLE hTable, UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        RequireArgument(pucBuf != nullptr, function, "the record buffer is null");
        uint32_t length = cursor.Layout().RecordLength();
        if (ulLen < length)
            throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the record of "
                                                          + cursor.TableName() + " needs " + std::to_string(length)
                                                          + " bytes, the buffer has " + std::to_string(ulLen));
        cursor.Layout().BlankRecord(pucBuf);
    });
}

} // namespace

UNSIGNED32 AdsOpenTable(ADSHANDLE hConnect, const char* pucName, const char* pucAlias, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions, ADSHANDLE* phTable)
{
    (void)pucAlias; // aliases name tables in expressions, which come later
    return OpenTable("AdsOpenTable", hConnect, pucName, usTableType, usCharType, usLockType, usCheckRights, ulOptions,
                     nullptr, phTable);
}

UNSIGNED32 AdsOpenTable90(ADSHANDLE hConnect, const char* pucName, const char* pucAlias, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions, const char* pucCollation, ADSHANDLE* phTable)
{
    (void)pucAlias;
    return OpenTable("AdsOpenTable90", hConnect, pucName, usTableType, usCharType, usLockType, usCheckRights,
                     ulOptions, pucCollation, phTable);
}

UNSIGNED32 AdsGetTableType(ADSHANDLE hTable, UNSIGNED16* pusType)
{
    const char* function = "AdsGetTableType";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        Out(pusType, function, "the type argument is null") = static_cast<UNSIGNED16>(cursor.Table().Kind());
    });
}

UNSIGNED32 AdsGetRecordLength(ADSHANDLE hTable, UNSIGNED32* pulLength)
{
    const char* function = "AdsGetRecordLength";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        Out(pulLength, function, "the length argument is null") = cursor.Layout().RecordLength();
    });
}

UNSIGNED32 AdsGetTableOpenOptions(ADSHANDLE hTable, UNSIGNED32* pulOptions)
{
    const char* function = "AdsGetTableOpenOptions";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        storage::Table& table = cursor.Table();
        UNSIGNED32 options = table.IsExclusive() ? ADS_EXCLUSIVE : 0;
        // Free tables carry no rights of their own: whoever may open one may change it.
        options |= table.IsReadOnly() ? ADS_READONLY : (ADS_UPDATE_PERMISSION | ADS_INSERT_PERMISSION);
        Out(pulOptions, function, "the options argument is null") = options;
    });
}

UNSIGNED32 AdsGetTableConnection(ADSHANDLE hTable, ADSHANDLE* phConnect)
{
    const char* function = "AdsGetTableConnection";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        ADSHANDLE& out = Out(phConnect, function, "the connection argument is null");
        if (cursor.ConnectionHandle() == 0)
            throw EngineError(AE_NO_CONNECTION, std::string(function) + ": " + cursor.TableName()
                                                    + " was opened without a connection");
        out = cursor.ConnectionHandle();
    });
}

UNSIGNED32 AdsCacheRecords(ADSHANDLE hTable, UNSIGNED16 usNumRecords)
{
    return WithCursor("AdsCacheRecords", hTable, [&](Cursor& cursor) { cursor.SetCacheSize(usNumRecords); });
}

// Closed tables and cursors are released at once; there is no cache to size.

UNSIGNED32 AdsCacheOpenTables(UNSIGNED16 usOpen)
{
    (void)usOpen;
    return AE_SUCCESS;
}

UNSIGNED32 AdsCacheOpenCursors(UNSIGNED16 usOpen)
{
    (void)usOpen;
    return AE_SUCCESS;
}

UNSIGNED32 AdsCloseTable(ADSHANDLE hTable)
{
    const char* function = "AdsCloseTable";
    return ApiCall(function, [&] { CloseCursor(hTable, function); });
}

UNSIGNED32 AdsRefreshRecord(ADSHANDLE hTable)
{
    return WithCursor("AdsRefreshRecord", hTable, [&](Cursor& cursor) { cursor.Refresh(); });
}

UNSIGNED32 AdsGetNumFields(ADSHANDLE hTable, UNSIGNED16* pusCount)
{
    const char* function = "AdsGetNumFields";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        Out(pusCount, function, "the count argument is null") = static_cast<UNSIGNED16>(cursor.Layout().Fields().size());
    });
}

UNSIGNED32 AdsGetFieldType(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusType)
{
    return ReadColumn("AdsGetFieldType", hTable, pucFldName, pusType, "type",
                      [](Cursor& cursor, size_t field) { return cursor.Layout().Field(field).type; });
}

UNSIGNED32 AdsGetFieldLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulLength)
{
    return ReadColumn("AdsGetFieldLength", hTable, pucFldName, pulLength, "length",
                      [](Cursor& cursor, size_t field) { return LengthInUnits(cursor.Layout().Field(field)); });
}

UNSIGNED32 AdsGetFieldDecimals(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusDecimals)
{
    return ReadColumn("AdsGetFieldDecimals", hTable, pucFldName, pusDecimals, "decimals",
                      [](Cursor& cursor, size_t field) { return cursor.Layout().Field(field).decimals; });
}

UNSIGNED32 AdsGetFieldName(ADSHANDLE hTable, UNSIGNED16 usFld, char* pucName, UNSIGNED16* pusBufLen)
{
    const char* function = "AdsGetFieldName";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        size_t field = cursor.FieldIndex(ADSFIELD(usFld), function);
        CopyTextOut(cursor.Layout().Field(field).name, pucName, pusBufLen, function);
    });
}

UNSIGNED32 AdsGetFieldOffset(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulOffset)
{
    return ReadColumn("AdsGetFieldOffset", hTable, pucFldName, pulOffset, "offset",
                      [](Cursor& cursor, size_t field) { return cursor.Layout().Field(field).offset; });
}

UNSIGNED32 AdsIsNullable(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbNullable)
{
    return ReadColumn("AdsIsNullable", hTable, pucFldName, pbNullable, "flag",
                      [](Cursor& cursor, size_t field) { return UNSIGNED16(cursor.Layout().Field(field).nullable ? 1 : 0); });
}

UNSIGNED32 AdsGetColumnPermissions(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED8* pucPermissions)
{
    return ReadColumn("AdsGetColumnPermissions", hTable, pucFldName, pucPermissions, "permissions",
                      [](Cursor& cursor, size_t field) { return ColumnPermissions(cursor, field); });
}

UNSIGNED32 AdsGetRecord(ADSHANDLE hTable, UNSIGNED8* pucRec, UNSIGNED32* pulLen)
{
    const char* function = "AdsGetRecord";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        const uint8_t* image = cursor.CurrentImage();
        std::string_view bytes(reinterpret_cast<const char*>(image), cursor.Layout().RecordLength());
        CopyBytesOut(bytes, pucRec, pulLen, function);
    });
}

UNSIGNED32 AdsIsEmpty(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbEmpty)
{
    return ReadColumn("AdsIsEmpty", hTable, pucFldName, pbEmpty, "flag",
                      [](Cursor& cursor, size_t field) { return UNSIGNED16(cursor.Layout().IsEmpty(field, cursor.CurrentImage()) ? 1 : 0); });
}

UNSIGNED32 AdsIsNull(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbNull)
{
    return ReadColumn("AdsIsNull", hTable, pucFldName, pbNull, "flag",
                      [](Cursor& cursor, size_t field) { return UNSIGNED16(cursor.Layout().IsNull(field, cursor.CurrentImage()) ? 1 : 0); });
}

UNSIGNED32 AdsGetField(ADSHANDLE hTable, ADSFIELD_ID pucFldName, char* pucBuf, UNSIGNED32* pulLen, UNSIGNED16 usOption)
{
    const char* function = "AdsGetField";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        CopyTextOut(FieldText(cursor, field, usOption), pucBuf, pulLen, function);
    });
}

UNSIGNED32 AdsGetFieldW(ADSHANDLE hTable, ADSFIELD_ID pucFldName, char16_t* pwcBuf, UNSIGNED32* pulLen, UNSIGNED16 usOption)
{
    const char* function = "AdsGetFieldW";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        CopyUnitsOut(FieldUnits(cursor, field, usOption), pwcBuf, pulLen, function);
    });
}

UNSIGNED32 AdsGetNullRecord(ADSHANDLE hTable, UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    return BlankImage("AdsGetNullRecord", hTable, pucBuf, ulLen);
}

UNSIGNED32 AdsClearRecordBuffer(ADSHANDLE hTable, UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    return BlankImage("AdsClearRecordBuffer", hTable, pucBuf, ulLen);
}

UNSIGNED32 AdsAccessVfpSystemField(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED8* pucRecord, UNSIGNED16 usOption, UNSIGNED16* pbFlag)
{
    const char* function = "AdsAccessVfpSystemField";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        RequireArgument(pucRecord != nullptr, function, "the record image is null");
        UNSIGNED16& flag = Out(pbFlag, function, "the flag argument is null");
        const storage::RecordLayout& layout = cursor.Layout();
        switch (usOption) {
        case ADS_VFP_GET_NULL: flag = layout.GetNullFlag(field, pucRecord) ? 1 : 0; return;
        case ADS_VFP_SET_NULL: layout.SetNullFlag(field, pucRecord, flag != 0); return;
        case ADS_VFP_SET_VARLENGTH: layout.SetFullLength(field, pucRecord, flag != 0); return;
        case ADS_VFP_GET_VARLENGTH: flag = layout.IsFullLength(field, pucRecord) ? 1 : 0; return;
        }
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the option " + std::to_string(usOption)
                                                   + " is not 1, 2, 3 or 4");
    });
}

UNSIGNED32 AdsConvertStringToJulian(const char* pucDate, UNSIGNED16 usLen, DOUBLE* pdJulian)
{
    const char* function = "AdsConvertStringToJulian";
    return ApiCall(function, [&] {
        RequireArgument(pucDate != nullptr, function, "the date text is null");
        Out(pdJulian, function, "the Julian day argument is null") =
            JulianFromCompactText(std::string_view(pucDate, strnlen(pucDate, usLen)));
    });
}

UNSIGNED32 AdsConvertJulianToString(DOUBLE dJulian, char* pucDate, UNSIGNED16* pusLen)
{
    const char* function = "AdsConvertJulianToString";
    return ApiCall(function, [&] {
        if (!(dJulian >= 0 && dJulian < 2147483647.0))
            throw EngineError(AE_INVALID_DATE, std::string(function) + ": " + std::to_string(dJulian)
                                                   + " is not a Julian day number");
        CopyTextOut(CompactTextFromJulian(static_cast<int32_t>(std::floor(dJulian))), pucDate, pusLen, function);
    });
}
