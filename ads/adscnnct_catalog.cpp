// What a connection lists (tables, links and tables, procedures), its
// dictionary links, the server clock and the engine's table cache.
#include "ads/adscnnct.h"
#include "ads/adscnnct_support.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"
#include "platform/paths.h"

#include <QDate>
#include <cstring>

namespace {

constexpr UNSIGNED16 kTableNameBuffer = 260;
constexpr UNSIGNED16 kProcedureNameBuffer = 200;
constexpr UNSIGNED16 kLinkInfoBuffer = 664;
constexpr UNSIGNED16 kDateBuffer = 69;
constexpr UNSIGNED32 kNoMoreTables = AE_NO_FILE_FOUND;
constexpr UNSIGNED32 kNoMoreObjects = 5137;
constexpr double kMillisecondsPerDay = 86400000.0;
// Julian day number of day 0 of the framework's dates (30 December 1899).
constexpr qint64 kJulianOfDayZero = 2415019;

// One name buffer of a table search, with its in/out length.
struct NameBuffer {
    char text[kTableNameBuffer + 1] = {};
    UNSIGNED16 length = kTableNameBuffer;
    void Reset()
    {
        std::memset(text, 0, sizeof text);
        length = kTableNameBuffer;
    }
    QString Text() const { return adscnnct::EngineText(text, kTableNameBuffer); }
};

void AddTo(TStrings* list, const QString& name)
{
    if (list)
        list->Add(name);
}

// Closes a search once a find handle exists, however the listing ends.
class TableSearchScope {
public:
    explicit TableSearchScope(uint32_t connection) : mConnection(connection) {}
    ~TableSearchScope()
    {
        if (handle != 0)
            ace::AdsFindClose(mConnection, handle);
    }
    ADSHANDLE handle = 0;

private:
    uint32_t mConnection;
};

} // namespace

// Empty for a dictionary (its own tables); else the folder and a file mask
// that follows the alias's table type.
static QString TableSearchMask(const QString& folder, TAdsConnectionTableTypes aliasType, bool dictionary,
                               const QString& strFileMask)
{
    if (dictionary)
        return {};
    QString mask = folder;
    if (mask.endsWith(QLatin1Char('/')) || mask.endsWith(QLatin1Char('\\')))
        mask.chop(1);
    QString files = strFileMask;
    if (aliasType == ttAdsConnectADT)
        files = QStringLiteral("*.adt");
    else if (aliasType != ttAdsConnectUnspecified)
        files = QStringLiteral("*.dbf");
    return mask + PathDelim + files;
}

void TAdsConnection::GetTableNames(TStrings* poList, const QString& strFileMask)
{
    CheckConnectedToServer();
    if (!poList)
        return;
    const QString folder = FConnectString.isEmpty() ? mstrAliasPath : FConnectString;
    const QByteArray mask =
        StringToAnsi(TableSearchMask(folder, meAliasTableType, FIsDictionaryConn, strFileMask));
    TableSearchScope search(FhConnection);
    NameBuffer name;
    UNSIGNED32 result = ace::AdsFindFirstTable(FhConnection, mask.constData(), name.text, &name.length, &search.handle);
    while (result != kNoMoreTables) {
        adscnnct::CheckConnectionCall(result);
        poList->Add(name.Text());
        name.Reset();
        result = ace::AdsFindNextTable(FhConnection, search.handle, name.text, &name.length);
    }
}

void TAdsConnection::GetTableAndLinkNames(TStrings* poLinkNames, TStrings* poTableNames, const QString& strFileMask)
{
    CheckConnectedToServer();
    const QString folder = FConnectString.isEmpty() ? mstrAliasPath : FConnectString;
    const QByteArray mask =
        StringToAnsi(TableSearchMask(folder, meAliasTableType, FIsDictionaryConn, strFileMask));
    TableSearchScope search(FhConnection);
    NameBuffer link;
    NameBuffer table;
    UNSIGNED32 result = ace::AdsFindFirstTable62(FhConnection, mask.constData(), link.text, &link.length, table.text,
                                                 &table.length, &search.handle);
    while (result != kNoMoreTables) {
        adscnnct::CheckConnectionCall(result);
        AddTo(poLinkNames, link.Text());
        AddTo(poTableNames, table.Text());
        link.Reset();
        table.Reset();
        result = ace::AdsFindNextTable62(FhConnection, search.handle, link.text, &link.length, table.text,
                                         &table.length);
    }
}

void TAdsConnection::GetProcedureNames(TStrings* poList)
{
    if (!FConnected)
        SetIsConnected(true);
    if (!poList || !FIsDictionaryConn)
        return;
    ADSHANDLE find = 0;
    char name[kProcedureNameBuffer + 1] = {};
    UNSIGNED16 length = kProcedureNameBuffer;
    UNSIGNED32 result =
        ace::AdsDDFindFirstObject(FhConnection, ADS_DD_PROCEDURE_OBJECT, "", name, &length, &find);
    try {
        while (result != kNoMoreObjects) {
            CheckAdsResult(result);
            poList->Add(adscnnct::EngineText(name, kProcedureNameBuffer));
            std::memset(name, 0, sizeof name);
            length = kProcedureNameBuffer;
            result = ace::AdsDDFindNextObject(FhConnection, find, name, &length);
        }
    } catch (...) {
        if (find != 0)
            ace::AdsDDFindClose(FhConnection, find);
        throw;
    }
    if (find != 0)
        ace::AdsDDFindClose(FhConnection, find);
}

int TAdsConnection::GetNumActiveDDLinks()
{
    UNSIGNED16 count = 0;
    CheckAdsResult(ace::AdsGetNumActiveLinks(FhConnection, &count));
    return count;
}

void TAdsConnection::GetActiveDDLinkInfo(int iLinkNum, TStrings* poList)
{
    if (!poList)
        return;
    char info[kLinkInfoBuffer + 1] = {};
    UNSIGNED16 length = kLinkInfoBuffer;
    CheckAdsResult(ace::AdsGetActiveLinkInfo(FhConnection, UNSIGNED16(iLinkNum), info, &length));
    const QStringList parts = adscnnct::EngineText(info, kLinkInfoBuffer).split(QLatin1Char(';'));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i)  // the part after the last ';' is not one
        poList->Add(parts.at(i));
}

void TAdsConnection::CreateDDLink(const QString& strLinkAlias, const QString& strLinkedDDPath,
                                  const QString& strUserName, const QString& strPassword, TAdsLinkOptions Options)
{
    CheckAdsResult(ace::AdsDDCreateLink(FhConnection, StringToAnsi(strLinkAlias).constData(),
                                        StringToAnsi(strLinkedDDPath).constData(),
                                        StringToAnsi(strUserName).constData(), StringToAnsi(strPassword).constData(),
                                        UNSIGNED32(Options.Mask())));
}

void TAdsConnection::DropDDLink(const QString& strLinkedDD, bool bDropGlobal)
{
    CheckAdsResult(ace::AdsDDDropLink(FhConnection, StringToAnsi(strLinkedDD).constData(), bDropGlobal ? 1 : 0));
}

double TAdsConnection::GetServerTime()
{
    if (!FConnected)
        SetIsConnected(true);
    char date[kDateBuffer + 1] = {};
    UNSIGNED16 dateLength = kDateBuffer;
    char time[kDateBuffer + 1] = {};
    UNSIGNED16 timeLength = kDateBuffer;
    SIGNED32 milliseconds = 0;
    CheckAdsResult(ace::AdsGetServerTime(FhConnection, date, &dateLength, &milliseconds, time, &timeLength));
    DOUBLE julian = 0;
    CheckAdsResult(ace::AdsConvertDateToJulian(FhConnection, date, dateLength, &julian));
    char calendar[kDateBuffer + 1] = {};
    UNSIGNED16 calendarLength = kDateBuffer;
    CheckAdsResult(ace::AdsConvertJulianToString(julian, calendar, &calendarLength));
    const QString text = adscnnct::EngineText(calendar, kDateBuffer);
    const QDate day(text.mid(0, 4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
    if (!day.isValid())
        throw AdsConnectionError(QStringLiteral("The server's date \"%1\" is not a calendar date.").arg(text));
    return double(day.toJulianDay() - kJulianOfDayZero) + milliseconds / kMillisecondsPerDay;
}

void TAdsConnection::CloseCachedTables()
{
    if (FConnected)
        CheckAdsResult(ace::AdsCloseCachedTables(FhConnection));
}
