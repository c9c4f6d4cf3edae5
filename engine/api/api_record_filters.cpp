// Record filters, optimized filters, exact comparison, expression
// evaluation and the long/short field-name translation.
//
// Filter texts arrive as UTF-16 (option ADS_ENCODE_UTF16) or as 8-bit text
// in the system code page. The compiler takes the system code page and puts
// literals into the table's character set itself, so texts are kept in the
// system code page; those handed back (AdsGetAOF, AdsGetFilter, the
// unoptimised part) are in it too, or UTF-16 where the caller asks for it.
#include "engine/api/api_cursor.h"
#include "engine/core/connection.h"
#include "engine/core/dates.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <cstring>

using namespace engine;

namespace {

constexpr UNSIGNED32 kAofKindBits = ADS_KEYSET_AOF | ADS_FIXED_AOF;
constexpr UNSIGNED32 kResolutionBits = ADS_RESOLVE_IMMEDIATE | ADS_RESOLVE_DYNAMIC;

constexpr codepage::CodePage kSystemPage = codepage::CodePage::Ansi1252;

std::string DateMaskOf(Cursor& cursor)
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(cursor.ConnectionHandle());
    if (object && object->Kind() == HandleKind::Connection)
        return std::static_pointer_cast<Connection>(object)->GetDateFormat().Mask();
    return ProcessDateFormat().Mask();
}

FilterSettings SettingsOf(Cursor& cursor)
{
    return FilterSettings{cursor.ExactComparison(), DateMaskOf(cursor)};
}

std::string FilterTextArgument(const void* filter, UNSIGNED32 options, const char* function)
{
    RequireArgument(filter != nullptr, function, "the filter text is null");
    if (options & ADS_ENCODE_UTF16) {
        const char16_t* units = static_cast<const char16_t*>(filter);
        return codepage::FromUtf16(kSystemPage, std::u16string_view(units));
    }
    return static_cast<const char*>(filter);
}

void CheckOptions(UNSIGNED32 options, UNSIGNED32 allowed, const char* function)
{
    bool known = (options & ~allowed) == 0 && (options & kAofKindBits) != kAofKindBits
        && (options & kResolutionBits) != kResolutionBits;
    if (!known)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the options " + std::to_string(options)
                                                   + " are not 0x2000 (UTF-16 text) plus a filter type (0, 4 or 8)"
                                                     " and a resolution (1 or 2)");
}

AofKind KindOf(UNSIGNED32 options)
{
    if (options & ADS_FIXED_AOF)
        return AofKind::Fixed;
    return options & ADS_KEYSET_AOF ? AofKind::KeySet : AofKind::Dynamic;
}

[[noreturn]] void ThrowNoFilter(Cursor& cursor, const char* function, const char* which)
{
    throw EngineError(AE_NO_FILTER, std::string(function) + ": no " + which + " is set on " + cursor.TableName());
}

OptimizedFilter& RequireOptimized(Cursor& cursor, const char* function)
{
    OptimizedFilter* filter = cursor.Filters().Optimized();
    if (!filter)
        ThrowNoFilter(cursor, function, "optimized filter");
    return *filter;
}

const FilterExpression& RequirePlain(Cursor& cursor, const char* function)
{
    const FilterExpression* filter = cursor.Filters().Plain();
    if (!filter)
        ThrowNoFilter(cursor, function, "filter");
    return *filter;
}

// The unoptimised part for AdsGetAOFOptLevel100: a buffer of exactly the
// reported length receives the whole text (the terminator only when there
// is room), so the caller's "ask the length, then fetch" needs two calls.
template <class Unit>
void CopyRemainderOut(std::basic_string_view<Unit> text, Unit* buffer, UNSIGNED32* length, const char* function)
{
    UNSIGNED32& capacity = Out(length, function, "the length argument is null");
    RequireArgument(buffer != nullptr || capacity == 0, function, "the buffer is null");
    if (capacity < text.size()) {
        capacity = UNSIGNED32(text.size());
        throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the buffer is too small; "
                                                      + std::to_string(text.size()) + " characters are needed");
    }
    std::copy(text.begin(), text.end(), buffer);
    if (capacity > text.size())
        buffer[text.size()] = Unit(0);
    capacity = UNSIGNED32(text.size());
}

using Translate = std::string (*)(std::string_view, const expr::RecordContext&);

// Field names are 8-bit in the system code page; the caller's text is
// UTF-8. Only ASCII bytes matter to the translation, so a text that has no
// form in the character set is translated as it stands.
UNSIGNED32 TranslateNames(const char* function, ADSHANDLE hTable, const char* in, char* out, UNSIGNED32* length,
                          Translate translate)
{
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        std::string utf8 = TextArgument(in, function, "the expression is null");
        std::string local = codepage::FromUtf8(kSystemPage, utf8);
        bool faithful = codepage::ToUtf8(kSystemPage, local) == utf8;
        expr::TableContext schema(cursor.Table());
        std::string result = faithful ? codepage::ToUtf8(kSystemPage, translate(local, schema)) : translate(utf8, schema);
        CopyTextOut(result, out, length, function);
    });
}

} // namespace

UNSIGNED32 AdsSetAOF100(ADSHANDLE hTable, const void* pvFilter, UNSIGNED32 ulOptions)
{
    const char* function = "AdsSetAOF100";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        CheckOptions(ulOptions, ADS_ENCODE_UTF16 | kAofKindBits | kResolutionBits, function);
        std::string text = FilterTextArgument(pvFilter, ulOptions, function);
        cursor.Filters().SetOptimized(std::make_unique<OptimizedFilter>(
            std::move(text), cursor.Table(), SettingsOf(cursor), KindOf(ulOptions), cursor.Orders()));
    });
}

UNSIGNED32 AdsSetFilter100(ADSHANDLE hTable, const void* pvFilter, UNSIGNED32 ulOptions)
{
    const char* function = "AdsSetFilter100";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        CheckOptions(ulOptions, ADS_ENCODE_UTF16, function);
        std::string text = FilterTextArgument(pvFilter, ulOptions, function);
        cursor.Filters().SetPlain(std::make_unique<FilterExpression>(std::move(text), cursor.Table(), SettingsOf(cursor)));
    });
}

UNSIGNED32 AdsClearAOF(ADSHANDLE hTable)
{
    const char* function = "AdsClearAOF";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        RequireOptimized(cursor, function);
        cursor.Filters().SetOptimized(nullptr);
    });
}

UNSIGNED32 AdsClearFilter(ADSHANDLE hTable)
{
    const char* function = "AdsClearFilter";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        RequirePlain(cursor, function);
        cursor.Filters().SetPlain(nullptr);
    });
}

UNSIGNED32 AdsGetAOF(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetAOF";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        const OptimizedFilter& filter = RequireOptimized(cursor, function);
        CopyTextOut(filter.Text(), pucFilter, pusLen, function);
    });
}

UNSIGNED32 AdsGetFilter(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetFilter";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        const FilterExpression& filter = RequirePlain(cursor, function);
        CopyTextOut(filter.Text(), pucFilter, pusLen, function);
    });
}

UNSIGNED32 AdsRefreshAOF(ADSHANDLE hTable)
{
    const char* function = "AdsRefreshAOF";
    return WithCursor(function, hTable, [&](Cursor& cursor) { RequireOptimized(cursor, function).Resolve(); });
}

UNSIGNED32 AdsGetAOFOptLevel100(ADSHANDLE hTable, UNSIGNED16* pusOptLevel, void* pvNonOpt, UNSIGNED32* pulLen, UNSIGNED32 ulOptions)
{
    const char* function = "AdsGetAOFOptLevel100";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        CheckOptions(ulOptions, ADS_ENCODE_UTF16, function);
        const OptimizedFilter& filter = RequireOptimized(cursor, function);
        Out(pusOptLevel, function, "the level argument is null") = filter.Level();
        if (ulOptions & ADS_ENCODE_UTF16) {
            std::u16string text = codepage::ToUtf16(kSystemPage, filter.Unoptimized());
            CopyRemainderOut<char16_t>(text, static_cast<char16_t*>(pvNonOpt), pulLen, function);
        } else {
            CopyRemainderOut<char>(filter.Unoptimized(), static_cast<char*>(pvNonOpt), pulLen, function);
        }
    });
}

UNSIGNED32 AdsSetExact22(ADSHANDLE hObj, UNSIGNED16 bExact)
{
    return WithCursor("AdsSetExact22", hObj, [&](Cursor& c) { c.SetExactComparison(bExact != 0); });
}

UNSIGNED32 AdsGetExact22(ADSHANDLE hObj, UNSIGNED16* pbExact)
{
    const char* function = "AdsGetExact22";
    return WithCursor(function, hObj, [&](Cursor& c) {
        Out(pbExact, function, "the flag argument is null") = c.ExactComparison() ? 1 : 0;
    });
}

UNSIGNED32 AdsExpressionLongToShort90(ADSHANDLE hTable, const char* pucLongExpr, char* pucShortExpr, UNSIGNED32* pulBufLen)
{
    return TranslateNames("AdsExpressionLongToShort90", hTable, pucLongExpr, pucShortExpr, pulBufLen,
                          expr::ExpressionLongToShort);
}

UNSIGNED32 AdsExpressionShortToLong90(ADSHANDLE hTable, const char* pucShortExpr, char* pucLongExpr, UNSIGNED32* pulBufLen)
{
    return TranslateNames("AdsExpressionShortToLong90", hTable, pucShortExpr, pucLongExpr, pulBufLen,
                          expr::ExpressionShortToLong);
}

UNSIGNED32 AdsEvalLogicalExpr(ADSHANDLE hTable, const char* pucExpr, UNSIGNED16* pbResult)
{
    const char* function = "AdsEvalLogicalExpr";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        std::string text = TextArgument(pucExpr, function, "the expression is null");
        UNSIGNED16& result = Out(pbResult, function, "the result argument is null");
        FilterExpression expression(std::move(text), cursor.Table(), SettingsOf(cursor));
        result = expression.Matches(cursor.RecordNumber(), cursor.CurrentImage()) ? 1 : 0;
    });
}
