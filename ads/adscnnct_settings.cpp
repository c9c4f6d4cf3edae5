// Where a connection goes (alias, path, dictionary) and the settings whose
// assignment does more than store a value.
#include "ads/adscnnct.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"
#include "platform/paths.h"

namespace {

constexpr int kDateFormatChars = 11;
constexpr UNSIGNED16 kDateFormatBuffer = 12;

void RefuseWhileConnected(bool connected, const char* property)
{
    if (connected)
        throw AdsConnectionError(QStringLiteral("The TAdsConnection.%1 may not be changed when IsConnected is TRUE")
                                     .arg(QLatin1String(property)));
}

QByteArray DateFormatBytes(const QString& format)
{
    return StringToAnsi(format).left(kDateFormatChars);
}

// Sets `format` as the engine's process-wide date format only to learn
// whether the engine accepts it; the format in force before stays.
bool EngineAcceptsDateFormat(const QString& format)
{
    char saved[kDateFormatBuffer + 1] = {};
    UNSIGNED16 length = kDateFormatBuffer;
    const bool haveSaved = ace::AdsGetDateFormat(saved, &length) == AE_SUCCESS;
    const UNSIGNED32 result = ace::AdsSetDateFormat(DateFormatBytes(format).constData());
    if (haveSaved && result == AE_SUCCESS)
        ace::AdsSetDateFormat(saved);
    return result == AE_SUCCESS;
}

bool EndsWithNoCase(const QString& text, const QString& tail)
{
    return text.size() >= tail.size() && text.right(tail.size()).toUpper() == tail.toUpper();
}

} // namespace

bool TAdsConnection::IsDictionaryPath(const QString& path)
{
    return EndsWithNoCase(path, QStringLiteral(".ADD")) || EndsWithNoCase(path, QStringLiteral("__rootdd"));
}

QString TAdsConnection::GetConnectionWithDDPath() const
{
    return FConnectString.isEmpty() ? mstrAliasPath : FConnectString;
}

QString TAdsConnection::GetConnectionPath() const
{
    const QString path = GetConnectionWithDDPath();
    const bool namesDictionaryFile =
        path.size() > 4 && path.at(path.size() - 4) == QLatin1Char('.') && EndsWithNoCase(path, QStringLiteral("ADD"));
    if (!namesDictionaryFile)
        return path;
    for (QChar separator : {QLatin1Char('/'), QLatin1Char('\\')}) {
        const qsizetype at = path.lastIndexOf(separator);
        if (at >= 0)
            return path.left(at);
    }
    return QStringLiteral(".") + PathDelim;
}

void TAdsConnection::SetAliasName(const QString& value)
{
    RefuseWhileConnected(FConnected, "AliasName");
    FValidAlias = true;
    if (value.isEmpty()) {
        FAliasName.clear();
        mstrAliasPath.clear();
        meAliasTableType = ttAdsConnectUnspecified;
        return;
    }
    QString path;
    TAdsConnectionTableTypes tableType = ttAdsConnectUnspecified;
    if (!ResolveConnectionAlias(value, path, tableType)) {
        FValidAlias = false;
        FAliasName = value;
        mstrAliasPath.clear();
        meAliasTableType = ttAdsConnectUnspecified;
        return;  // nothing is raised until the next opening
    }
    FConnectString.clear();
    FAliasName = value;
    mstrAliasPath = path;
    meAliasTableType = tableType;
    FIsDictionaryConn = IsDictionaryPath(path);
    PassTableTypeToOwnerDataSets();
}

void TAdsConnection::SetConnectPath(const QString& value)
{
    RefuseWhileConnected(FConnected, "ConnectPath");
    FConnectString = value;
    FIsDictionaryConn = IsDictionaryPath(value);
    FAliasName.clear();
    mstrAliasPath.clear();
    meAliasTableType = ttAdsConnectUnspecified;
    FValidAlias = true;  // no alias left to be invalid
}

void TAdsConnection::SetExtraConnectString(const QString& value)
{
    RefuseWhileConnected(FConnected, "ExtraConnectString");
    FExtraConnectString = value;
}

void TAdsConnection::SetDateFormat(const QString& value)
{
    if (FConnected) {
        if (value.isEmpty())
            throw AdsConnectionError(QStringLiteral(
                "The TAdsConnection.DateFormat may not be set to an empty string when IsConnected is TRUE"));
        CheckAdsResult(ace::AdsSetDateFormat60(FhConnection, DateFormatBytes(value).constData()));
    } else if (!value.isEmpty() && !EngineAcceptsDateFormat(value)) {
        throw AdsConnectionError(QStringLiteral("Unrecognized DateFormat String"));
    }
    FDateFormat = value;
}

void TAdsConnection::SetSQLTimeout(int32_t value)
{
    FSQLTimeout = value;
    if (FConnected)
        CheckAdsResult(ace::AdsSetSQLTimeout(FhConnection, UNSIGNED32(value)));
}

void TAdsConnection::SetApplicationID(const QString& value)
{
    if (value != FAppID)
        ApplyApplicationID(value);
}
