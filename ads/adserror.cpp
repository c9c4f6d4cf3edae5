#include "ads/adserror.h"

#include "ads/ace.h"
#include "platform/codepages.h"

#include <cstring>
#include <optional>

namespace {

thread_local bool tErrorCreationActive = false;

// AdsGetLastError is always asked with room for 600 characters plus a
// terminator that the layer keeps zero, so the text is bounded even when the
// engine fills the buffer to the end.
constexpr size_t kLastErrorBufferSize = 601;
constexpr UNSIGNED16 kLastErrorBufferLength = 600;

struct EngineLastError {
    uint32_t code = 0;
    QString text;
};

// Asks the engine for its last error; returns the call's own result.
UNSIGNED32 FetchEngineLastError(EngineLastError& error)
{
    char buffer[kLastErrorBufferSize] = {};
    UNSIGNED32 code = error.code;
    UNSIGNED16 length = kLastErrorBufferLength;
    const UNSIGNED32 result = ace::AdsGetLastError(&code, buffer, &length);
    if (result == AE_SUCCESS) {
        // A failure the engine kept no last error for (another thread's, say)
        // still reports the failing call's code, never a success.
        if (code != AE_SUCCESS)
            error.code = code;
        error.text = AnsiToString(QByteArray(buffer, qsizetype(strnlen(buffer, kLastErrorBufferLength))));
    }
    return result;
}

// Marks an error under construction on this thread; the mark goes on every
// way out, also when something other than an Exception escapes.
class CreationScope {
public:
    CreationScope() { tErrorCreationActive = true; }
    ~CreationScope() { tErrorCreationActive = false; }
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;
};

bool NamesAColumn(uint32_t code)
{
    return code == 5147 || code == 5148 || code == 5149;
}

// The text between `column "` and the next double quote, at most 900 characters.
QString ColumnNamedIn(const QString& message)
{
    static const QString kMarker = QStringLiteral("column \"");
    constexpr int kMaxColumnText = 900;
    const qsizetype at = message.indexOf(kMarker);
    if (at < 0)
        return {};
    QString name = message.mid(at + kMarker.size(), kMaxColumnText);
    const qsizetype quote = name.indexOf(QLatin1Char('"'));
    if (quote >= 0)
        name.truncate(quote);
    return name;
}

// A whole 32-bit integer, blanks around it allowed; anything else is none.
std::optional<int32_t> WholeInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

bool ErrorCreationActive()
{
    return tErrorCreationActive;
}

EADSDatabaseError::EADSDatabaseError(TAdsErrorDataSet* dataSet, uint32_t errorCode, const QString& message)
    : EDatabaseError(QString())
{
    // An error asked for while another is being built stays empty: it only
    // exists to be swallowed by the outer construction.
    if (tErrorCreationActive)
        return;
    const CreationScope scope;
    ulACEError = errorCode;
    try {
        if (dataSet)
            GatherDataSetContext(*dataSet, message);
        ParseSQLNativeError(message);
    } catch (const Exception&) {
        // Context that could not be gathered stays empty; the error itself
        // must still be raised with what is known.
    }
    SetMessage(strDataSetInstanceName.isEmpty() ? message : strDataSetInstanceName + QStringLiteral(": ") + message);
}

// The construction clears its own mark on every way out, so destroying an
// error has nothing to clear; clearing here would end the mark of an outer
// construction whenever an error made and dropped while it gathers its
// context goes away, and let a second error through.
EADSDatabaseError::~EADSDatabaseError() = default;

std::shared_ptr<Exception> EADSDatabaseError::Clone() const
{
    return std::make_shared<EADSDatabaseError>(*this);
}

// Fields are filled in this order so that a failure part way keeps the earlier ones.
void EADSDatabaseError::GatherDataSetContext(TAdsErrorDataSet& dataSet, const QString& message)
{
    strDataSetInstanceName = dataSet.ErrorInstanceName();
    strDataSetInstanceOwner = dataSet.ErrorInstanceOwner();
    strDatabaseName = dataSet.ErrorDatabaseName();
    strDatabasePath = dataSet.ErrorDatabasePath();
    strTableName = dataSet.ErrorTableName();
    if (NamesAColumn(ulACEError))
        strColumnName = ColumnNamedIn(message);
}

// SQL errors (7200) carry the server's native error number inside the text,
// as "NativeError = <n>;".
void EADSDatabaseError::ParseSQLNativeError(const QString& message)
{
    static const QString kSQLErrorMarker = QStringLiteral("ERROR 7200:");
    static const QString kNativeMarker = QStringLiteral("NATIVEERROR = ");
    ulSQLErrorCode = 0;
    const QString upper = message.toUpper();
    if (!upper.contains(kSQLErrorMarker))
        return;
    const qsizetype at = upper.indexOf(kNativeMarker);
    if (at < 0)
        return;
    QString number = upper.mid(at + kNativeMarker.size());
    const qsizetype semicolon = number.indexOf(QLatin1Char(';'));
    if (semicolon >= 0)
        number.truncate(semicolon);
    ulSQLErrorCode = WholeInteger(number).value_or(0);
}

AdsError::AdsError(uint32_t /*retCode*/, bool /*unusedvar*/) : Exception(LastEngineErrorText()) {}

QString AdsError::LastEngineErrorText()
{
    EngineLastError error;
    if (FetchEngineLastError(error) != AE_SUCCESS) {
        ace::AdsShowError("Ads Exception Error");
        return {};
    }
    return error.text;
}

void CheckAdsResult(TAdsErrorDataSet* dataSet, uint32_t code)
{
    if (code == AE_SUCCESS)
        return;
    // Engine calls made while an error gathers its context must not raise a second one.
    if (tErrorCreationActive)
        return;
    EngineLastError error;
    error.code = code;
    FetchEngineLastError(error);
    throw EADSDatabaseError(dataSet, error.code, error.text);
}

void RaiseAdsRefusal(TAdsErrorDataSet* dataSet, const QString& message)
{
    const QByteArray text = StringToAnsi(message);
    CheckAdsResult(dataSet, ace::AdsSetLastError(kAdsRefusalErrorCode, text.constData()));
}
