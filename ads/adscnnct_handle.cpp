// Taking over an engine handle opened elsewhere, and what a connection tells
// of its server and of the logged-in user.
#include "ads/adscnnct.h"
#include "ads/adscnnct_support.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"

#include <QRegularExpression>
#include <cstring>

namespace {

constexpr UNSIGNED16 kConnectionPathBuffer = 259;
constexpr UNSIGNED32 kConnectionPropertyBuffer = 260;
constexpr UNSIGNED16 kServerNameBuffer = 255;
// Answers of the first user-property call that mean "no groups".
constexpr UNSIGNED32 kInsufficientBuffer = 5005;
constexpr UNSIGNED32 kPropertyNotSet = 5138;

// The 16-bit kinds of AdsGetConnectionType.
constexpr UNSIGNED16 kLocalServer = 1;
constexpr UNSIGNED16 kRemoteServer = 2;
constexpr UNSIGNED16 kInternetServer = 4;

QString TextProperty(uint32_t connection, UNSIGNED16 property)
{
    char buffer[kConnectionPropertyBuffer + 1] = {};
    UNSIGNED32 length = kConnectionPropertyBuffer;
    CheckAdsResult(ace::AdsGetConnectionProperty(connection, property, buffer, &length));
    return adscnnct::EngineText(buffer, kConnectionPropertyBuffer);
}

template <class Number>
Number NumberProperty(uint32_t connection, UNSIGNED16 property)
{
    Number value = 0;
    UNSIGNED32 length = sizeof(Number);
    CheckAdsResult(ace::AdsGetConnectionProperty(connection, property, &value, &length));
    return value;
}

TAdsDataEncryptionType EncryptionTypeNamed(const QString& name)
{
    const QString upper = name.toUpper();
    if (upper == QLatin1String("RC4")) return etAdsRC4;
    if (upper == QLatin1String("AES128")) return etAdsAES128;
    if (upper == QLatin1String("AES256")) return etAdsAES256;
    return etAdsDefault;
}

TAdsTLSCipherSuites CipherSuitesNamed(const QString& list)
{
    TAdsTLSCipherSuites suites;
    static const QRegularExpression separators(QStringLiteral("[:;]"));
    for (const QString& part : list.toUpper().split(separators)) {
        if (part == QLatin1String("AES128-SHA")) suites.Include(tlsAES128SHA);
        else if (part == QLatin1String("AES256-SHA")) suites.Include(tlsAES256SHA);
        else if (part == QLatin1String("RC4-MD5")) suites.Include(tlsRC4MD5);
    }
    return suites;
}

} // namespace

void TAdsConnection::SetHandle(uint32_t hConnection, bool bShareHandle)
{
    if (FConnected || FhConnection != 0)
        throw AdsConnectionError(QStringLiteral("TAdsConnection already has a working connection"));
    char path[kConnectionPathBuffer + 1] = {};
    UNSIGNED16 length = kConnectionPathBuffer;
    if (ace::AdsGetConnectionPath(hConnection, path, &length) != AE_SUCCESS)
        throw AdsConnectionError(
            QStringLiteral("TAdsConnection cannot resolve the connection path from the given connection handle."));
    SetConnectPath(adscnnct::EngineText(path, kConnectionPathBuffer));
    TakeOverSettings(hConnection);
    if (bShareHandle)
        FGivenConnection = hConnection;
    SetIsConnected(true);
}

// The settings of a foreign handle, copied directly (the rule that
// encryption options change only while closed concerns callers, not this).
void TAdsConnection::TakeOverSettings(uint32_t hConnection)
{
    TAdsEncryptionOptions& options = *FEncryptionOptions;
    FUsername = TextProperty(hConnection, ADS_CONNPROP_USERNAME);
    FPassword = TextProperty(hConnection, ADS_CONNPROP_PASSWORD);
    UNSIGNED16 kinds = 0;
    CheckAdsResult(ace::AdsGetConnectionType(hConnection, &kinds));
    if (kinds & kRemoteServer) FAdsServerTypes.Include(stADS_REMOTE);
    if (kinds & kLocalServer) FAdsServerTypes.Include(stADS_LOCAL);
    if (kinds & kInternetServer) FAdsServerTypes.Include(stADS_AIS);
    options.FDataEncryptionType = EncryptionTypeNamed(TextProperty(hConnection, ADS_CONNPROP_ENCRYPTION_TYPE));
    options.FCertificate = TextProperty(hConnection, ADS_CONNPROP_CERTIFICATE_FILE);
    options.FCipherSuites = CipherSuitesNamed(TextProperty(hConnection, ADS_CONNPROP_CIPHER_SUITE));
    options.FCommonName = TextProperty(hConnection, ADS_CONNPROP_COMMON_NAME);
    options.FFIPSMode = NumberProperty<UNSIGNED16>(hConnection, ADS_CONNPROP_FIPS_MODE) != 0;
    const UNSIGNED32 protocol = NumberProperty<UNSIGNED32>(hConnection, ADS_CONNPROP_PROTOCOL);
    if (protocol == 1)
        FCommunicationType = ctAdsTCPIP;
    else if (protocol == 5)
        FCommunicationType = ctAdsTLS;
}

QString TAdsConnection::ServerName() const
{
    if (!FConnected) {
        if (IsDesigning())
            return {};
        throw AdsConnectionError(QStringLiteral("Must be connected to get database server name."));
    }
    char name[kServerNameBuffer + 1] = {};
    UNSIGNED16 length = kServerNameBuffer;
    adscnnct::CheckConnectionCall(ace::AdsGetServerName(FhConnection, name, &length));
    return adscnnct::EngineText(name, kServerNameBuffer);
}

QString TAdsConnection::ConnectionType() const
{
    if (!FConnected)
        return {};
    UNSIGNED16 kind = 0;
    adscnnct::CheckConnectionCall(ace::AdsGetConnectionType(FhConnection, &kind));
    switch (kind) {
    case kLocalServer: return QStringLiteral("Local");
    case kRemoteServer: return QStringLiteral("Remote");
    case kInternetServer: return QStringLiteral("Internet");
    }
    return {};
}

bool TAdsConnection::IsConnectionAlive() const
{
    if (!FConnected)
        return false;
    UNSIGNED16 alive = 0;
    adscnnct::CheckConnectionCall(ace::AdsIsConnectionAlive(FhConnection, &alive));
    return alive != 0;
}

static int DictionaryVersion(uint32_t connection, UNSIGNED16 property)
{
    UNSIGNED16 value = 0;
    UNSIGNED16 length = sizeof value;
    CheckAdsResult(ace::AdsDDGetDatabaseProperty(connection, property, &value, &length));
    return value;
}

int TAdsConnection::DDVersionMajor() const
{
    return FConnected && FIsDictionaryConn ? DictionaryVersion(FhConnection, ADS_DD_VERSION_MAJOR) : 0;
}

int TAdsConnection::DDVersionMinor() const
{
    return FConnected && FIsDictionaryConn ? DictionaryVersion(FhConnection, ADS_DD_VERSION_MINOR) : 0;
}

TStrings* TAdsConnection::UserGroups()
{
    if (!FReadUserGroups)
        ReadUserGroups();
    return FUserGroups.get();
}

QString TAdsConnection::UserGroupsString()
{
    if (!FReadUserGroups)
        ReadUserGroups();
    return FUserGroupsString;
}

void TAdsConnection::ReadUserGroups()
{
    FUserGroups->Clear();
    FUserGroupsString.clear();
    if (!FConnected || !FIsDictionaryConn)
        return;
    const QByteArray user = StringToAnsi(FUsername);
    UNSIGNED16 length = 0;
    const UNSIGNED32 asked = ace::AdsDDGetUserProperty(FhConnection, user.constData(),
                                                       ADS_DD_USER_GROUP_MEMBERSHIP, nullptr, &length);
    if (asked != kInsufficientBuffer && asked != kPropertyNotSet)
        CheckAdsResult(asked);
    if (length == 0)
        return;  // asked again at the next read
    // Room for the terminator the engine writes after the value.
    QByteArray buffer(qsizetype(length) + 1, '\0');
    UNSIGNED16 size = UNSIGNED16(buffer.size());
    CheckAdsResult(ace::AdsDDGetUserProperty(FhConnection, user.constData(), ADS_DD_USER_GROUP_MEMBERSHIP,
                                             buffer.data(), &size));
    FUserGroupsString = adscnnct::EngineText(buffer.constData(), size_t(buffer.size()));
    for (const QString& group : FUserGroupsString.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        FUserGroups->Add(group);
    FReadUserGroups = true;
}
