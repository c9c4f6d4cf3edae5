#include "engine/api/api_cursor.h"
#include "engine/core/statement.h"

#include <cstring>

using namespace engine;

namespace {

// A statement's parameters are addressed by 1-based position, passed where
// a table call passes its column.
uint32_t ParameterPosition(ADSFIELD_ID field, const char* function)
{
    uintptr_t number = reinterpret_cast<uintptr_t>(field);
    if (number == 0 || number > ADS_MAX_FIELD_NUMBER)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function)
                                                   + ": statement parameters are bound by their 1-based position");
    return static_cast<uint32_t>(number);
}

// Binds through the statement's prepared script (parameters.h refuses a
// position the script does not have).
template <class Bind>
void BindParameter(const std::shared_ptr<HandleObject>& object, ADSFIELD_ID field, const char* function, Bind&& bind)
{
    auto& statement = static_cast<Statement&>(*object);
    uint32_t position = ParameterPosition(field, function);
    std::lock_guard<std::mutex> lock(statement.Mutex());
    if (!statement.Prepared())
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the statement has no prepared SQL text "
                                                                       "whose parameters could be bound");
    bind(statement.Prepared()->parameters, position);
}

// Values go to a statement's parameter, or else to a column of a table's
// pending record. `toParameter` is called with (ParameterValues&, position).
template <class ToParameter, class Body>
UNSIGNED32 SetValue(const char* function, ADSHANDLE hObj, ADSFIELD_ID field, ToParameter&& toParameter,
                    Body&& body) noexcept
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
    if (object && object->Kind() == HandleKind::Statement)
        return ApiCall(function, [&] { BindParameter(object, field, function, toParameter); });
    return WithField(function, hObj, field, [&](Cursor& cursor, size_t index) {
        body(cursor, index, cursor.EditImage(function));
    });
}

void RequireTimeOfDay(SIGNED32 ms, const char* function)
{
    RequireArgument(ms >= 0 && ms < 86400000, function, "the time is not within a day");
}

void RequireTimeStampBytes(const UNSIGNED8* bytes, UNSIGNED32 length, const char* function)
{
    RequireArgument(bytes != nullptr && length == 8, function, "a time stamp is 8 bytes");
}

void RequireBinaryPiece(UNSIGNED16 type, UNSIGNED32 total, UNSIGNED32 offset, const UNSIGNED8* data,
                        UNSIGNED32 length, const char* function)
{
    RequireArgument(type == ADS_BINARY_DATA || type == ADS_IMAGE_DATA, function,
                    "the binary type is not 6 (binary) or 7 (image)");
    RequireArgument(data != nullptr || length == 0, function, "the data is null");
    RequireArgument(uint64_t(offset) + length <= total, function, "the piece reaches past the total length");
}

} // namespace

UNSIGNED32 AdsSetEmpty(ADSHANDLE hObj, ADSFIELD_ID pucFldName)
{
    const char* function = "AdsSetEmpty";
    return SetValue(
        function, hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetEmpty(at); },
        [&](Cursor& cursor, size_t field, uint8_t*) { SetFieldEmpty(cursor, field, function); });
}

UNSIGNED32 AdsSetLogical(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 bValue)
{
    return SetValue(
        "AdsSetLogical", hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetLogical(at, bValue != 0); },
        [&](Cursor& cursor, size_t field, uint8_t* image) { cursor.Layout().SetLogical(field, image, bValue != 0); });
}

UNSIGNED32 AdsSetDouble(ADSHANDLE hObj, ADSFIELD_ID pucFldName, DOUBLE dValue)
{
    return SetValue(
        "AdsSetDouble", hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetDouble(at, dValue); },
        [&](Cursor& cursor, size_t field, uint8_t* image) { cursor.Layout().SetDouble(field, image, dValue); });
}

UNSIGNED32 AdsSetJulian(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lDate)
{
    return SetValue(
        "AdsSetJulian", hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetJulian(at, lDate); },
        [&](Cursor& cursor, size_t field, uint8_t* image) { cursor.Layout().SetJulian(field, image, lDate); });
}

UNSIGNED32 AdsSetMilliseconds(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lTime)
{
    const char* function = "AdsSetMilliseconds";
    return SetValue(
        function, hObj, pucFldName,
        [&](sql::ParameterValues& p, uint32_t at) {
            RequireTimeOfDay(lTime, function);
            p.SetMilliseconds(at, lTime);
        },
        [&](Cursor& cursor, size_t field, uint8_t* image) {
            RequireTimeOfDay(lTime, function);
            cursor.Layout().SetMilliseconds(field, image, lTime);
        });
}

UNSIGNED32 AdsSetTimeStampRaw(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetTimeStampRaw";
    return SetValue(
        function, hObj, pucFldName,
        [&](sql::ParameterValues& p, uint32_t at) {
            RequireTimeStampBytes(pucBuf, ulLen, function);
            p.SetTimeStampRaw(at, pucBuf, ulLen);
        },
        [&](Cursor& cursor, size_t field, uint8_t* image) {
            RequireTimeStampBytes(pucBuf, ulLen, function);
            storage::TimeStampValue value;
            std::memcpy(&value.julian, pucBuf, 4);
            std::memcpy(&value.milliseconds, pucBuf + 4, 4);
            cursor.Layout().SetTimeStamp(field, image, value);
        });
}

UNSIGNED32 AdsSetBinary(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 usBinaryType, UNSIGNED32 ulTotalLength, UNSIGNED32 ulOffset, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetBinary";
    return SetValue(
        function, hObj, pucFldName,
        [&](sql::ParameterValues& p, uint32_t at) {
            RequireBinaryPiece(usBinaryType, ulTotalLength, ulOffset, pucBuf, ulLen, function);
            // Parameters take their value whole; a piece would bind a cut value.
            RequireArgument(ulOffset == 0 && ulLen == ulTotalLength, function,
                            "a parameter's binary value is bound in one piece");
            p.SetBinary(at, std::string_view(reinterpret_cast<const char*>(pucBuf), ulLen));
        },
        [&](Cursor& cursor, size_t field, uint8_t*) {
            RequireBinaryPiece(usBinaryType, ulTotalLength, ulOffset, pucBuf, ulLen, function);
            // A value may arrive in pieces; it is stored when its last byte is in.
            std::vector<uint8_t>& value = cursor.BinaryChunks(field);
            if (ulOffset == 0)
                value.assign(ulTotalLength, 0);
            RequireArgument(value.size() == ulTotalLength, function, "a piece does not belong to the value begun");
            if (ulLen > 0)
                std::memcpy(value.data() + ulOffset, pucBuf, ulLen);
            if (ulOffset + ulLen == ulTotalLength) {
                std::vector<uint8_t> complete = std::move(value);
                cursor.DropBinaryChunks(field);
                SetFieldBytes(cursor, field, complete.data(), complete.size(), function);
            }
        });
}

UNSIGNED32 AdsSetString(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetString";
    auto text = [&] {
        RequireArgument(pucBuf != nullptr || ulLen == 0, function, "the text is null");
        return std::string_view(pucBuf ? pucBuf : "", ulLen);
    };
    return SetValue(
        function, hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetString(at, text()); },
        [&](Cursor& cursor, size_t field, uint8_t*) { SetFieldText(cursor, field, text(), function); });
}

UNSIGNED32 AdsSetStringW(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char16_t* pwcBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetStringW";
    auto units = [&] {
        RequireArgument(pwcBuf != nullptr || ulLen == 0, function, "the text is null");
        return std::u16string_view(pwcBuf ? pwcBuf : u"", ulLen);
    };
    return SetValue(
        function, hObj, pucFldName, [&](sql::ParameterValues& p, uint32_t at) { p.SetStringW(at, units()); },
        [&](Cursor& cursor, size_t field, uint8_t*) { SetFieldUnits(cursor, field, units(), function); });
}
