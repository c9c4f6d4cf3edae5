// Filters and scopes: the Filter text and the Filtered flag as an engine
// filter on the open cursor, and ScopeBegin/ScopeEnd as engine scopes on the
// active index.
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <cstring>

namespace {

constexpr uint16_t kAdtOpenTableType = 3;
constexpr uint32_t kUtf16Text = 0x2000;
constexpr uint32_t kNoFilter = 5037;
constexpr uint32_t kNoScope = 5038;
constexpr uint32_t kInvalidRecordNumber = 5022;
constexpr uint32_t kNoCurrentRecord = 5068;
constexpr uint32_t kBufferTooSmall = 5005;
constexpr int kScopeBufferLength = 4082;
constexpr uint16_t kScopeTop = 1;
constexpr uint16_t kScopeBottom = 2;
constexpr uint16_t kScopeKeyIsUtf16 = 8;

const char16_t* Utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

// The closing parenthesis that matches the one at `open`, stepping over
// quoted and bracketed text; -1 when there is none.
int MatchingParenthesis(const QByteArray& text, int open)
{
    int depth = 0;
    for (int at = open; at < text.size(); ++at) {
        const char c = text[at];
        if (IsQuote(c) || c == '[') {
            const int close = text.indexOf(c == '[' ? ']' : c, at + 1);
            if (close < 0)
                return -1;
            at = close;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return at;
        }
    }
    return -1;
}

bool StartsWithContains(const QByteArray& text, int at)
{
    return at + 8 < text.size() && text.mid(at, 8).toUpper() == "CONTAINS";
}

bool OnlyAsterisks(const QByteArray& text, int from, int to)
{
    for (int at = from; at < to; ++at)
        if (text[at] != '*')
            return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// The filter text.

QByteArray TAdsDataSet::StripFilterWildcards(const QByteArray& source, bool& exact)
{
    QByteArray text = source;
    bool inLiteral = false;
    char quote = 0;
    int literalStart = 0;
    int at = 0;
    while (at < text.size()) {
        if (StartsWithContains(text, at)) {
            int next = at + 8;
            while (next < text.size() && text[next] == ' ')
                ++next;
            if (next < text.size() && text[next] == '(') {
                const int close = MatchingParenthesis(text, next);
                at = close >= 0 ? close + 1 : next + 1;
            } else {
                at = next;
            }
            continue;
        }
        const char c = text[at];
        if (IsQuote(c)) {
            if (!inLiteral) {
                inLiteral = true;
                quote = c;
                literalStart = at + 1;
            } else if (c == quote) {
                inLiteral = false;
            }
        } else if (c == '*' && inLiteral && at + 1 < text.size() && text[at + 1] == quote &&
                   !OnlyAsterisks(text, literalStart, at)) {
            // The closing quote moves into this place and ends the literal
            // on the next step.
            text.remove(at, 1);
            exact = false;
            continue;
        }
        ++at;
    }
    return text;
}

// The engine's long/short field-name translation of ADT tables; the output
// buffer grows once when the engine reports it too small.
QByteArray TAdsDataSet::TranslateExpression(const QByteArray& text, bool longToShort)
{
    const auto translate = longToShort ? ace::AdsExpressionLongToShort90 : ace::AdsExpressionShortToLong90;
    QByteArray result(text.size() * 2 + 256, '\0');
    UNSIGNED32 length = UNSIGNED32(result.size());
    uint32_t code = translate(uint32_t(mlHandle), text.constData(), result.data(), &length);
    if (code == kBufferTooSmall) {
        result = QByteArray(int(length) + 1, '\0');
        length = UNSIGNED32(result.size());
        code = translate(uint32_t(mlHandle), text.constData(), result.data(), &length);
    }
    Check(code);
    result.truncate(int(length));
    return result;
}

QString TAdsDataSet::PrepareFilterText(bool& exact)
{
    exact = true;
    QByteArray text = Filter().toUtf8();
    if (musOpenTableType == kAdtOpenTableType)
        text = TranslateExpression(text, true);
    text = StripFilterWildcards(text, exact);
    if (musOpenTableType == kAdtOpenTableType)
        text = TranslateExpression(text, false);
    return QString::fromUtf8(text);
}

// ---------------------------------------------------------------------------
// Filter and Filtered.

void TAdsDataSet::ActivateFilter()
{
    if (Filter().isEmpty()) {
        DeactivateFilter();
        return;
    }
    bool exact = true;
    const QString text = PrepareFilterText(exact);
    Check(ace::AdsSetExact22(uint32_t(mlHandle), exact ? 1 : 0));
    if (mpoAdsTableOptions->AdsOptimizedFilters())
        Check(ace::AdsSetAOF100(uint32_t(mlHandle), Utf16(text), mpoAdsTableOptions->AOFOptions()));
    else
        Check(ace::AdsSetFilter100(uint32_t(mlHandle), Utf16(text), kUtf16Text));
}

void TAdsDataSet::DeactivateFilter()
{
    const uint32_t code = mpoAdsTableOptions->AdsOptimizedFilters() ? ace::AdsClearAOF(uint32_t(mlHandle))
                                                                    : ace::AdsClearFilter(uint32_t(mlHandle));
    if (code != kNoFilter)
        Check(code);
}

// The flag is kept as written even when the engine refuses the filter, so
// that the error points at the text and the next opening tries again.
void TAdsDataSet::SetFiltered(bool value)
{
    if (Active())
        CheckBrowseMode();
    StoreFiltered(value);
    if (mlHandle == -1)
        return;
    if (value)
        ActivateFilter();
    else
        DeactivateFilter();
    if (Active())
        First();
}

void TAdsDataSet::SetFilter(const QString& text)
{
    if (text == Filter())
        return;
    if (!Active() || !Filtered()) {
        TDataSet::SetFilter(text);
        return;
    }
    CheckBrowseMode();
    StoreFilterText(text);
    SetFiltered(true);
}

// ---------------------------------------------------------------------------
// Scopes.

void TAdsDataSet::StoreScopeText(QString& target, const QString& value)
{
    if (value.size() - 1 > kScopeBufferLength)
        RaiseDataSetError(QStringLiteral("Scope text length exceeded ") + QString::number(kScopeBufferLength));
    target = value;
}

void TAdsDataSet::SetScopeBegin(const QString& value)
{
    StoreScopeText(mstrScopeStart, value);
}

void TAdsDataSet::SetScopeEnd(const QString& value)
{
    StoreScopeText(mstrScopeEnd, value);
}

void TAdsDataSet::ActivateScope()
{
    if (!HasActiveIndex())
        RaiseDataSetError(QStringLiteral("Cannot activate scope when there is no active index."));
    const uint32_t index = uint32_t(mlActiveHandle);
    for (uint16_t which : {kScopeTop, kScopeBottom}) {
        char16_t existing[kScopeBufferLength];
        UNSIGNED16 length = kScopeBufferLength;
        if (ace::AdsGetScope(index, which, existing, &length) == 0)
            RaiseDataSetError(QStringLiteral("Cannot activate scope when there is an active range."));
    }
    if (!mstrScopeStart.isEmpty())
        Check(ace::AdsSetScope(index, kScopeTop, Utf16(mstrScopeStart), UNSIGNED16(2 * mstrScopeStart.size()),
                               kScopeKeyIsUtf16));
    if (!mstrScopeEnd.isEmpty())
        Check(ace::AdsSetScope(index, kScopeBottom, Utf16(mstrScopeEnd), UNSIGNED16(2 * mstrScopeEnd.size()),
                               kScopeKeyIsUtf16));
}

void TAdsDataSet::DeactivateScope()
{
    if (!HasActiveIndex())
        return;
    for (uint16_t which : {kScopeTop, kScopeBottom}) {
        const uint32_t code = ace::AdsClearScope(uint32_t(mlActiveHandle), which);
        if (code != kNoScope)
            Check(code);
    }
}

void TAdsDataSet::SetScoped(bool value)
{
    if (value == mbScoped)
        return;
    if (Active()) {
        uint32_t remembered = 0;
        const TBookmark bookmark = GetBookmark();
        if (bookmark.size() >= 4)
            std::memcpy(&remembered, bookmark.constData(), 4);
        if (value) {
            ActivateScope();
            UNSIGNED16 visible = 0;
            const uint32_t code = ace::AdsIsRecordVisible(OrderHandle(), &visible);
            if (code == kNoCurrentRecord)
                visible = 0;
            else
                Check(code);
            if (visible)
                Resync({});
            else
                First();
        } else {
            DeactivateScope();
            if (Bof() && Eof()) {
                First();
            } else {
                if (ace::AdsGotoRecord(uint32_t(mlHandle), remembered) == kInvalidRecordNumber)
                    Next();
                Resync({});
            }
        }
    }
    mbScoped = value;
}
