// Opening and closing a connection, the login prompt and the engine
// connection string.
#include "ads/adscnnct.h"
#include "ads/adscnnct_support.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "framework/dberror.h"
#include "platform/codepages.h"

#include <exception>

namespace {

const QString kAliasNotValid = QStringLiteral("TAdsConnection.AliasName is not valid");
const QString kNoConnectString =
    QStringLiteral("Must specify connection string before getting a server connection.");

// A password goes in double quotes; a quote inside it is doubled, as the
// engine reads quoted values, so that no password can end the value early.
QString QuotedPassword(const QString& password)
{
    QString quoted = password;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString EncryptionTypeName(TAdsDataEncryptionType type)
{
    switch (type) {
    case etAdsAES128: return QStringLiteral("AES128");
    case etAdsAES256: return QStringLiteral("AES256");
    case etAdsRC4: return QStringLiteral("RC4");
    case etAdsDefault: break;
    }
    return {};
}

QString CipherNames(TAdsTLSCipherSuites suites)
{
    QStringList names;
    if (suites.Contains(tlsAES128SHA)) names << QStringLiteral("AES128-SHA");
    if (suites.Contains(tlsAES256SHA)) names << QStringLiteral("AES256-SHA");
    if (suites.Contains(tlsRC4MD5)) names << QStringLiteral("RC4-MD5");
    return names.join(QLatin1Char(':'));
}

QString CommTypeName(TAdsCommunicationType type)
{
    switch (type) {
    case ctAdsUDPIP: return QStringLiteral("UDP_IP");
    case ctAdsIPX: return QStringLiteral("IPX");
    case ctAdsTCPIP: return QStringLiteral("TCP_IP");
    case ctAdsTLS: return QStringLiteral("TLS");
    case ctAdsDefault: break;
    }
    return {};
}

QString CompressionName(TAdsCompressionTypes type)
{
    switch (type) {
    case ccAdsCompressInternet: return QStringLiteral("INTERNET");
    case ccAdsCompressAlways: return QStringLiteral("ALWAYS");
    case ccAdsCompressNever: return QStringLiteral("NEVER");
    case ccAdsCompressionNotSet: break;
    }
    return {};
}

QString ServerTypeNames(TAdsServerTypes types)
{
    QStringList names;
    if (types.Contains(stADS_LOCAL)) names << QStringLiteral("LOCAL");
    if (types.Contains(stADS_REMOTE)) names << QStringLiteral("REMOTE");
    if (types.Contains(stADS_AIS)) names << QStringLiteral("INTERNET");
    return names.join(QLatin1Char('|'));
}

QString TableTypeName(TAdsConnectionTableTypes type)
{
    switch (type) {
    case ttAdsConnectCDX: return QStringLiteral("CDX");
    case ttAdsConnectNTX: return QStringLiteral("NTX");
    case ttAdsConnectADT: return QStringLiteral("ADT");
    case ttAdsConnectVFP: return QStringLiteral("VFP");
    case ttAdsConnectUnspecified: break;
    }
    return {};
}

} // namespace

void TAdsConnection::SetIsConnected(bool value)
{
    if (value == FConnected)
        return;
    if (value)
        Open();
    else
        Close();
}

void TAdsConnection::Open()
{
    if (IsLoading()) {
        bConnectAfterLoad = true;
        return;
    }
    FReadUserGroups = false;
    adscnnct::Fire(BeforeConnect, this);
    CheckAliasBeforeOpening();
    const QString path = GetConnectionWithDDPath();
    if (path.isEmpty())
        throw AdsConnectionError(kNoConnectString);
    if (FGivenConnection != 0)
        FhConnection = FGivenConnection;
    else
        OpenServerConnection(path);
    FConnected = true;
    try {
        OpenAfterChecks();
    } catch (...) {
        // The opening failed after the engine connection was made: give it
        // up, so that a failed opening always leaves the component closed.
        GiveUpEngineConnection();
        throw;
    }
    adscnnct::Fire(AfterConnect, this);
    adscnnct::Fire(OnConnect, this);
}

void TAdsConnection::CheckAliasBeforeOpening()
{
    if (FValidAlias)
        return;
    SetAliasName(FAliasName);  // ads.ini may have changed since
    if (!FValidAlias)
        throw AdsConnectionError(kAliasNotValid);
}

void TAdsConnection::OpenAfterChecks()
{
    if (!FAppID.isEmpty())
        ApplyApplicationID(FAppID);
    if (FIsDictionaryConn)
        UpdateDefaultIndexes();
}

void TAdsConnection::GiveUpEngineConnection() noexcept
{
    try {
        CloseStatementCache();
    } catch (const Exception&) {
    }
    if (FGivenConnection == 0)
        ace::AdsDisconnect(FhConnection);
    FConnected = false;
    FhConnection = 0;
}

void TAdsConnection::Close()
{
    FReadUserGroups = false;
    adscnnct::Fire(BeforeDisconnect, this);
    CloseDataSetsForDisconnect();
    std::exception_ptr failure;
    try {
        CloseStatementCache();
    } catch (const Exception&) {
        failure = std::current_exception();  // the closing goes on; raised at its end
    }
    if (FGivenConnection == 0) {
        const UNSIGNED32 result = ace::AdsDisconnect(FhConnection);
        if (result != AE_SUCCESS && !failure)
            failure = std::make_exception_ptr(AdsError(result, false));  // captures the engine's text now
    }
    FConnected = false;
    FhConnection = 0;
    adscnnct::Fire(AfterDisconnect, this);
    adscnnct::Fire(OnDisconnect, this);
    if (failure)
        std::rethrow_exception(failure);
}

void TAdsConnection::OpenServerConnection(const QString& path)
{
    Q_UNUSED(path);  // the connection string names it
    QString userName;
    QString password;
    if (FLoginPrompt && FIsDictionaryConn) {
        AskForCredentials(userName, password);
        FUsername = userName;
        if (!IsDesigning())
            FPassword = password;
    } else {
        userName = FUsername;
        password = FPassword;
    }
    const QByteArray text = StringToAnsi(BuildConnectString(userName, password));
    ADSHANDLE handle = 0;
    const UNSIGNED32 result = ace::AdsConnect101(text.constData(), nullptr, &handle);
    CheckAdsResult(result);
    FhConnection = result == AE_SUCCESS ? handle : 0;
}

void TAdsConnection::AskForCredentials(QString& userName, QString& password)
{
    if (OnLogin) {
        OnLogin(this, userName, password);
        return;
    }
    userName = FUsername;
    if (!LoginDialog()) {
        password = FPassword;
        return;
    }
    password.clear();
    if (!LoginDialog()(Name(), userName, password))
        throw EDatabaseError(QStringLiteral("Cannot connect to database '") + Name() + QLatin1Char('\''));
}

QString TAdsConnection::ConnectString() const
{
    return BuildConnectString(FUsername, FPassword);
}

QString TAdsConnection::BuildConnectString(const QString& userName, const QString& password) const
{
    const TAdsEncryptionOptions& options = *FEncryptionOptions;
    QString text = QStringLiteral("Data Source=") + GetConnectionWithDDPath().left(255) + QLatin1Char(';');
    auto piece = [&text](bool condition, const QString& key, const QString& value) {
        if (condition)
            text += key + QLatin1Char('=') + value + QLatin1Char(';');
    };
    const bool sendUser = FIsDictionaryConn && !userName.isEmpty();
    piece(sendUser, QStringLiteral("User ID"), userName);
    piece(sendUser && !password.isEmpty(), QStringLiteral("Password"), QuotedPassword(password));
    piece(true, QStringLiteral("FIPS"), options.FIPSMode() ? QStringLiteral("True") : QStringLiteral("False"));
    piece(!options.DataDictionaryPassword().isEmpty(), QStringLiteral("DDPassword"), options.DataDictionaryPassword());
    piece(options.DataEncryptionType() != etAdsDefault, QStringLiteral("EncryptionType"),
          EncryptionTypeName(options.DataEncryptionType()));
    piece(!options.TLSCertificate().isEmpty(), QStringLiteral("TLSCertificate"), options.TLSCertificate());
    piece(!options.TLSCommonName().isEmpty(), QStringLiteral("TLSCommonName"), options.TLSCommonName());
    piece(!options.TLSCipherSuite().Empty(), QStringLiteral("TLSCiphers"), CipherNames(options.TLSCipherSuite()));
    piece(FCommunicationType != ctAdsDefault, QStringLiteral("CommType"), CommTypeName(FCommunicationType));
    piece(FCompression != ccAdsCompressionNotSet, QStringLiteral("Compression"), CompressionName(FCompression));
    piece(FSQLTimeout != 0, QStringLiteral("SQLTimeout"), QString::number(FSQLTimeout));
    piece(FMiddleTierConnection, QStringLiteral("IncrementUserCount"), QStringLiteral("TRUE"));
    piece(FStoredProcedureConnection, QStringLiteral("StoredProcedureConnection"), QStringLiteral("TRUE"));
    piece(!FAdsServerTypes.Empty(), QStringLiteral("ServerType"), ServerTypeNames(FAdsServerTypes));
    piece(!FDateFormat.isEmpty(), QStringLiteral("DateFormat"), FDateFormat);
    piece(meAliasTableType != ttAdsConnectUnspecified, QStringLiteral("TableType"), TableTypeName(meAliasTableType));
    return text + FExtraConnectString;
}
