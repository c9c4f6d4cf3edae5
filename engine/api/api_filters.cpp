#include "engine/api/api_cursor.h"
#include "platform/codepage/codepage.h"

#include <cstring>

using namespace engine;

namespace {

void CheckScopeOption(UNSIGNED16 scope, const char* function)
{
    RequireArgument(scope == ADS_TOP || scope == ADS_BOTTOM, function, "the scope is not 1 (top) or 2 (bottom)");
}

[[noreturn]] void ThrowNoScope(const char* function, IndexOrder& order, UNSIGNED16 scope)
{
    throw EngineError(AE_NO_SCOPE, std::string(function) + ": the index " + order.Tag().Name() + " has no "
                                       + (scope == ADS_TOP ? "top" : "bottom") + " scope");
}

// A scope or seek value as key bytes: a raw key as it is, or UTF-16 text
// (length in bytes) converted to the table's character set; either may be
// shorter than the key, and then it is a partial key.
std::string KeyArgument(Cursor& cursor, IndexOrder& order, const void* data, UNSIGNED16 length, UNSIGNED16 kind,
                        const char* function)
{
    RequireArgument(data != nullptr || length == 0, function, "the key is null");
    std::string key;
    codepage::CodePage page = cursor.Table().GetCharType() == storage::CharType::Oem ? codepage::CodePage::Oem850
                                                                                      : codepage::CodePage::Ansi1252;
    if (kind == ADS_RAWKEY) {
        key.assign(static_cast<const char*>(data), length);
    } else if (kind == ADS_WSTRINGKEY || kind == ADS_STRINGKEY) {
        if (kind == ADS_WSTRINGKEY) {
            RequireArgument(length % 2 == 0, function, "a UTF-16 key has an odd number of bytes");
            std::u16string units(length / 2, u'\0');
            std::memcpy(units.data(), data, length);
            key = codepage::FromUtf16(page, units);
        } else {
            key.assign(static_cast<const char*>(data), length);
        }
        const indexing::Tag& tag = order.Tag();
        if (tag.SegmentCount() == 0 || tag.Codings()[0].segment.type != expr::ValueType::Character)
            throw EngineError(AE_INVALID_KEY, std::string(function) + ": the index " + tag.Name()
                                                  + " does not begin with a character segment; give a raw key");
        if (tag.Codings()[0].caseInsensitive)
            codepage::UpperCaseInPlace(page, key.data(), key.size());
        if (tag.IsDescending())
            indexing::Complement(key);
    } else {
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the key kind " + std::to_string(kind)
                                                   + " is not 1 (raw), 2 (text) or 8 (UTF-16 text)");
    }
    if (key.size() > order.Tag().KeyLength())
        throw EngineError(AE_INVALID_KEY, std::string(function) + ": a key of " + std::to_string(key.size())
                                              + " bytes is longer than the keys of the index " + order.Tag().Name()
                                              + " (" + std::to_string(order.Tag().KeyLength()) + ")");
    return key;
}

} // namespace

UNSIGNED32 AdsSetScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption, const void* pvScope, UNSIGNED16 usScopeLen, UNSIGNED16 usDataType)
{
    const char* function = "AdsSetScope";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        CheckScopeOption(usScopeOption, function);
        order.SetScope(usScopeOption, KeyArgument(cursor, order, pvScope, usScopeLen, usDataType, function));
    });
}

// Scope questions on a table handle get the answer "no scope": scopes
// belong to indexes, and record order has none.
template <class Body>
UNSIGNED32 WithScope(const char* function, ADSHANDLE hObj, UNSIGNED16 scope, Body&& body)
{
    return WithCursor(function, hObj, [&](Cursor& cursor) {
        CheckScopeOption(scope, function);
        if (!cursor.CallOrder())
            throw EngineError(AE_NO_SCOPE, std::string(function) + ": no scope is set on " + cursor.TableName());
        body(*cursor.CallOrder());
    });
}

UNSIGNED32 AdsGetScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption, void* pvScope, UNSIGNED16* pusBufLen)
{
    const char* function = "AdsGetScope";
    return WithScope(function, hIndex, usScopeOption, [&](IndexOrder& order) {
        const std::optional<std::string>& scope = order.Scope(usScopeOption);
        if (!scope)
            ThrowNoScope(function, order, usScopeOption);
        UNSIGNED16& length = Out(pusBufLen, function, "the length argument is null");
        RequireArgument(pvScope != nullptr || length == 0, function, "the buffer is null");
        if (length < scope->size()) {
            length = UNSIGNED16(scope->size());
            throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the scope needs "
                                                          + std::to_string(scope->size()) + " bytes");
        }
        std::memcpy(pvScope, scope->data(), scope->size());
        length = UNSIGNED16(scope->size());
    });
}

UNSIGNED32 AdsClearScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption)
{
    const char* function = "AdsClearScope";
    return WithScope(function, hIndex, usScopeOption, [&](IndexOrder& order) {
        if (!order.Scope(usScopeOption))
            ThrowNoScope(function, order, usScopeOption);
        order.ClearScope(usScopeOption);
    });
}

UNSIGNED32 AdsClearAllScopes(ADSHANDLE hTable)
{
    return WithCursor("AdsClearAllScopes", hTable, [](Cursor& cursor) {
        for (const auto& order : cursor.Orders()) {
            order->ClearScope(ADS_TOP);
            order->ClearScope(ADS_BOTTOM);
        }
    });
}

UNSIGNED32 AdsSeek(ADSHANDLE hIndex, const UNSIGNED8* pucKey, UNSIGNED16 usKeyLen, UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound)
{
    const char* function = "AdsSeek";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        UNSIGNED16& found = Out(pbFound, function, "the found argument is null");
        RequireArgument(usSeekType == ADS_SOFTSEEK || usSeekType == ADS_HARDSEEK, function,
                        "the seek type is not 1 (soft) or 2 (exact)");
        std::string key = KeyArgument(cursor, order, pucKey, usKeyLen, usDataType, function);
        found = cursor.Seek(key, usSeekType == ADS_SOFTSEEK) ? 1 : 0;
    });
}
