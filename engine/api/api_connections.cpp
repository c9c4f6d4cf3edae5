#include "engine/api/api.h"
#include "engine/core/connection.h"
#include "engine/core/statement_registry.h"
#include "engine/core/table_search.h"
#include "engine/core/transaction.h"
#include "engine/dictionary/dictionary.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

using namespace engine;

namespace {

std::shared_ptr<Connection> ConnectionOf(ADSHANDLE handle, const char* function)
{
    return LookUp<Connection>(handle, function);
}

void OpenConnection(const ConnectSettings& settings, ADSHANDLE* phConnect, const char* function)
{
    ADSHANDLE& out = Out(phConnect, function, "the connection handle argument is null");
    std::shared_ptr<Connection> connection = Connection::Open(settings, function);
    out = HandleRegistry::Instance().Register(connection);
}

std::tm LocalNow(int32_t& milliseconds)
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    auto sinceSecond = now - std::chrono::system_clock::from_time_t(seconds);
    milliseconds = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000
        + int32_t(std::chrono::duration_cast<std::chrono::milliseconds>(sinceSecond).count());
    return local;
}

// Text properties go into the caller's buffer with the usual length rules;
// numeric ones need a buffer of exactly their size.
template <class Number>
void CopyNumberOut(Number value, void* buffer, UNSIGNED32* length, const char* function)
{
    RequireArgument(buffer != nullptr && length != nullptr, function, "the property buffer is null");
    if (*length < sizeof(Number)) {
        *length = sizeof(Number);
        throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the property needs "
                                                      + std::to_string(sizeof(Number)) + " bytes");
    }
    std::memcpy(buffer, &value, sizeof(Number));
    *length = sizeof(Number);
}

UNSIGNED32 CommTypeNumber(const std::string& commType)
{
    if (commType == "TLS")
        return 5;
    if (commType == "TCP_IP")
        return 1;
    if (commType == "UDP_IP")
        return 2;
    return commType == "IPX" ? 3 : 0;
}

} // namespace

namespace {

// An empty mask on a dictionary connection lists the dictionary's tables
// by their names.
std::shared_ptr<TableSearch> DictionaryTableSearch(ADSHANDLE hConnect, const Connection& connection)
{
    std::vector<std::string> names;
    for (const dd::TableEntry& table : connection.DataDictionary()->Tables())
        names.push_back(table.name);
    return std::make_shared<TableSearch>(hConnect, "the tables of " + connection.Path(), std::move(names));
}

[[noreturn]] void ThrowNoMoreFiles(const std::string& mask, const char* function)
{
    throw EngineError(AE_NO_FILE_FOUND, std::string(function) + ": no further file matches " + mask);
}

// Hands out the search's next name (and, for the 62 forms, an empty link
// name: free tables belong to no linked dictionary). A name that does not fit
// the buffer stays the next one.
void HandOutNext(TableSearch& search, char* linkName, UNSIGNED16* linkLength, char* fileName, UNSIGNED16* fileLength,
                 const char* function)
{
    std::optional<std::string> next = search.Peek();
    if (!next)
        ThrowNoMoreFiles(search.Mask(), function);
    if (linkLength != nullptr)
        CopyTextOut("", linkName, linkLength, function);
    CopyTextOut(*next, fileName, fileLength, function);
    search.Advance();
}

UNSIGNED32 StartSearch(const char* function, ADSHANDLE hConnect, const char* pucFileMask, char* linkName,
                       UNSIGNED16* linkLength, char* fileName, UNSIGNED16* fileLength, ADSHANDLE* phFindHandle)
{
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        ADSHANDLE& out = Out(phFindHandle, function, "the search handle argument is null");
        std::string mask = pucFileMask ? pucFileMask : "";
        std::shared_ptr<TableSearch> search;
        if (mask.empty() && connection->DataDictionary())
            search = DictionaryTableSearch(hConnect, *connection);
        else {
            if (mask.empty())
                mask = connection->DefaultTableType() == ADS_ADT ? "*.adt" : "*.dbf";
            search = std::make_shared<TableSearch>(hConnect, connection->Folder(), mask);
        }
        if (!search->Peek())
            throw EngineError(AE_NO_FILE_FOUND, std::string(function) + ": no file matches " + mask);
        HandOutNext(*search, linkName, linkLength, fileName, fileLength, function);
        out = HandleRegistry::Instance().Register(search);
        connection->Adopt(out);
    });
}

UNSIGNED32 ContinueSearch(const char* function, ADSHANDLE hConnect, ADSHANDLE hFindHandle, char* linkName,
                          UNSIGNED16* linkLength, char* fileName, UNSIGNED16* fileLength)
{
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        std::shared_ptr<TableSearch> search = LookUp<TableSearch>(hFindHandle, function);
        RequireArgument(search->ConnectionHandle() == hConnect, function, "the search belongs to another connection");
        std::lock_guard<std::mutex> lock(search->Mutex());
        HandOutNext(*search, linkName, linkLength, fileName, fileLength, function);
    });
}

} // namespace

UNSIGNED32 AdsConnect101(const char* pucConnectString, ADSHANDLE* phConnectOptions, ADSHANDLE* phConnect)
{
    const char* function = "AdsConnect101";
    return ApiCall(function, [&] {
        if (phConnectOptions != nullptr && *phConnectOptions != 0)
            throw EngineError(AE_NOT_YET_SUPPORTED, "AdsConnect101 is not yet supported by this engine with a "
                                                    "connection options object");
        OpenConnection(ParseConnectString(TextArgument(pucConnectString, function, "the connection string is null")),
                       phConnect, function);
    });
}

UNSIGNED32 AdsConnect(const char* pucServerName, ADSHANDLE* phConnect)
{
    const char* function = "AdsConnect";
    return ApiCall(function, [&] {
        ConnectSettings settings;
        settings.dataSource = TextArgument(pucServerName, function, "the path is null");
        RequireArgument(!settings.dataSource.empty(), function, "the path is empty");
        OpenConnection(settings, phConnect, function);
    });
}

UNSIGNED32 AdsDisconnect(ADSHANDLE hConnect)
{
    const char* function = "AdsDisconnect";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        ReleaseAndClose(hConnect);
    });
}

UNSIGNED32 AdsSetDateFormat60(ADSHANDLE hConnect, const char* pucFormat)
{
    const char* function = "AdsSetDateFormat60";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        connection->SetDateFormat(DateFormat(TextArgument(pucFormat, function, "the format is null")));
    });
}

UNSIGNED32 AdsGetDateFormat(char* pucFormat, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetDateFormat";
    return ApiCall(function, [&] { CopyTextOut(ProcessDateFormat().Mask(), pucFormat, pusLen, function); });
}

UNSIGNED32 AdsSetDateFormat(const char* pucFormat)
{
    const char* function = "AdsSetDateFormat";
    return ApiCall(function, [&] {
        SetProcessDateFormat(DateFormat(TextArgument(pucFormat, function, "the format is null")));
    });
}

UNSIGNED32 AdsGetConnectionPath(ADSHANDLE hConnect, char* pucPath, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetConnectionPath";
    return ApiCall(function, [&] { CopyTextOut(ConnectionOf(hConnect, function)->Path(), pucPath, pusLen, function); });
}

UNSIGNED32 AdsGetConnectionProperty(ADSHANDLE hConnect, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED32* pulPropertyLen)
{
    const char* function = "AdsGetConnectionProperty";
    return ApiCall(function, [&] {
        const ConnectSettings& s = ConnectionOf(hConnect, function)->Settings();
        auto text = [&](const std::string& value) {
            CopyTextOut(value, static_cast<char*>(pvProperty), pulPropertyLen, function);
        };
        switch (usPropertyID) {
        case ADS_CONNPROP_USERNAME: return text(s.userName);
        case ADS_CONNPROP_PASSWORD: return text(s.password);
        case ADS_CONNPROP_PROTOCOL: return CopyNumberOut<UNSIGNED32>(CommTypeNumber(s.commType), pvProperty, pulPropertyLen, function);
        case ADS_CONNPROP_ENCRYPTION_TYPE: return text(s.encryptionType);
        case ADS_CONNPROP_FIPS_MODE: return CopyNumberOut<UNSIGNED16>(s.fips ? 1 : 0, pvProperty, pulPropertyLen, function);
        case ADS_CONNPROP_CERTIFICATE_FILE: return text(s.tlsCertificate);
        case ADS_CONNPROP_CIPHER_SUITE: return text(s.tlsCiphers);
        case ADS_CONNPROP_COMMON_NAME: return text(s.tlsCommonName);
        }
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": there is no connection property "
                                                   + std::to_string(usPropertyID));
    });
}

UNSIGNED32 AdsGetConnectionType(ADSHANDLE hConnect, UNSIGNED16* pusConnectType)
{
    const char* function = "AdsGetConnectionType";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        Out(pusConnectType, function, "the type argument is null") = ADS_LOCAL_SERVER;
    });
}

UNSIGNED32 AdsGetServerName(ADSHANDLE hConnect, char* pucName, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetServerName";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        CopyTextOut(ClientComputerName(), pucName, pusLen, function);
    });
}

UNSIGNED32 AdsIsConnectionAlive(ADSHANDLE hConnect, UNSIGNED16* pbConnectionIsAlive)
{
    const char* function = "AdsIsConnectionAlive";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        // The server runs in this process: a registered connection is alive.
        Out(pbConnectionIsAlive, function, "the flag argument is null") = 1;
    });
}

UNSIGNED32 AdsGetServerTime(ADSHANDLE hConnect, char* pucDateBuf, UNSIGNED16* pusDateBufLen, SIGNED32* plTime, char* pucTimeBuf, UNSIGNED16* pusTimeBufLen)
{
    const char* function = "AdsGetServerTime";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        int32_t milliseconds = 0;
        std::tm local = LocalNow(milliseconds);
        CivilDate today{local.tm_year + 1900, unsigned(local.tm_mon + 1), unsigned(local.tm_mday)};
        CopyTextOut(connection->GetDateFormat().Format(JulianFromCivil(today)), pucDateBuf, pusDateBufLen, function);
        Out(plTime, function, "the time argument is null") = milliseconds;
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
        CopyTextOut(clock, pucTimeBuf, pusTimeBufLen, function);
    });
}

UNSIGNED32 AdsConvertDateToJulian(ADSHANDLE hConnect, const char* pucDate, UNSIGNED16 usLen, DOUBLE* pdJulian)
{
    const char* function = "AdsConvertDateToJulian";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        RequireArgument(pucDate != nullptr, function, "the date text is null");
        std::string_view text(pucDate, strnlen(pucDate, usLen));
        Out(pdJulian, function, "the Julian day argument is null") = connection->GetDateFormat().Parse(text);
    });
}

UNSIGNED32 AdsCloseCachedTables(ADSHANDLE hConnect)
{
    const char* function = "AdsCloseCachedTables";
    // Closed tables are closed at once, so there is never anything cached.
    return ApiCall(function, [&] { ConnectionOf(hConnect, function); });
}

UNSIGNED32 AdsBeginTransaction(ADSHANDLE hConnect)
{
    const char* function = "AdsBeginTransaction";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        BeginTransaction(hConnect, function);
    });
}

UNSIGNED32 AdsCommitTransaction(ADSHANDLE hConnect)
{
    const char* function = "AdsCommitTransaction";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        CommitTransaction(hConnect, function);
    });
}

UNSIGNED32 AdsRollbackTransaction(ADSHANDLE hConnect)
{
    const char* function = "AdsRollbackTransaction";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        RollbackTransaction(hConnect, function);
    });
}

UNSIGNED32 AdsRollbackTransaction80(ADSHANDLE hConnect, const char* pucSavepoint, UNSIGNED32 ulOptions)
{
    const char* function = "AdsRollbackTransaction80";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        RequireArgument(ulOptions == 0, function, "the options must be 0");
        // Without a name the whole transaction goes, as with the plain call.
        std::string savepoint = pucSavepoint ? pucSavepoint : "";
        if (savepoint.empty())
            RollbackTransaction(hConnect, function);
        else
            RollbackToSavepoint(hConnect, savepoint, function);
    });
}

UNSIGNED32 AdsCreateSavepoint(ADSHANDLE hConnect, const char* pucSavepoint, UNSIGNED32 ulOptions)
{
    const char* function = "AdsCreateSavepoint";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        RequireArgument(ulOptions == 0, function, "the options must be 0");
        CreateSavepoint(hConnect, TextArgument(pucSavepoint, function, "the savepoint name is null"), function);
    });
}

UNSIGNED32 AdsInTransaction(ADSHANDLE hConnect, UNSIGNED16* pbInTrans)
{
    const char* function = "AdsInTransaction";
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        Out(pbInTrans, function, "the flag argument is null") = InTransaction(hConnect) ? 1 : 0;
    });
}

UNSIGNED32 AdsGetTransactionCount(ADSHANDLE hConnect, UNSIGNED32* pulTransactionCount)
{
    const char* function = "AdsGetTransactionCount";
    // Transactions do not nest: the depth is 1 inside one, 0 outside.
    return ApiCall(function, [&] {
        ConnectionOf(hConnect, function);
        Out(pulTransactionCount, function, "the count argument is null") = InTransaction(hConnect) ? 1 : 0;
    });
}

UNSIGNED32 AdsGetNumActiveLinks(ADSHANDLE hConnect, UNSIGNED16* pusNumLinks)
{
    const char* function = "AdsGetNumActiveLinks";
    // Every link of the dictionary that the connection's user may use
    // counts; a connection on a folder of free tables has none.
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        UNSIGNED16& out = Out(pusNumLinks, function, "the count argument is null");
        out = connection->DataDictionary()
            ? static_cast<UNSIGNED16>(connection->DataDictionary()->LinksFor(connection->UserName()).size())
            : 0;
    });
}

UNSIGNED32 AdsGetActiveLinkInfo(ADSHANDLE hConnect, UNSIGNED16 usLinkNum, char* pucLinkInfo, UNSIGNED16* pusBufferLen)
{
    const char* function = "AdsGetActiveLinkInfo";
    // Link numbers count from 1, in alias order; the text is
    // "alias;linked dictionary path;".
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        std::vector<dd::LinkEntry> links;
        if (connection->DataDictionary())
            links = connection->DataDictionary()->LinksFor(connection->UserName());
        if (usLinkNum == 0 || usLinkNum > links.size())
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": there is no link number "
                                                       + std::to_string(usLinkNum) + " (the connection has "
                                                       + std::to_string(links.size()) + ")");
        const dd::LinkEntry& link = links[usLinkNum - 1];
        CopyTextOut(link.alias + ";" + link.path + ";", pucLinkInfo, pusBufferLen, function);
    });
}

UNSIGNED32 AdsFindFirstTable(ADSHANDLE hConnect, const char* pucFileMask, char* pucFirstFile, UNSIGNED16* pusFileLen, ADSHANDLE* phFindHandle)
{
    return StartSearch("AdsFindFirstTable", hConnect, pucFileMask, nullptr, nullptr, pucFirstFile, pusFileLen,
                       phFindHandle);
}

UNSIGNED32 AdsFindNextTable(ADSHANDLE hConnect, ADSHANDLE hFindHandle, char* pucFileName, UNSIGNED16* pusFileLen)
{
    return ContinueSearch("AdsFindNextTable", hConnect, hFindHandle, nullptr, nullptr, pucFileName, pusFileLen);
}

UNSIGNED32 AdsFindFirstTable62(ADSHANDLE hConnect, const char* pucFileMask, char* pucFirstDD, UNSIGNED16* pusDDLen, char* pucFirstFile, UNSIGNED16* pusFileLen, ADSHANDLE* phFindHandle)
{
    return StartSearch("AdsFindFirstTable62", hConnect, pucFileMask, pucFirstDD, pusDDLen, pucFirstFile, pusFileLen,
                       phFindHandle);
}

UNSIGNED32 AdsFindNextTable62(ADSHANDLE hConnect, ADSHANDLE hFindHandle, char* pucDDName, UNSIGNED16* pusDDLen, char* pucFileName, UNSIGNED16* pusFileLen)
{
    return ContinueSearch("AdsFindNextTable62", hConnect, hFindHandle, pucDDName, pusDDLen, pucFileName, pusFileLen);
}

UNSIGNED32 AdsFindClose(ADSHANDLE hConnect, ADSHANDLE hFindHandle)
{
    const char* function = "AdsFindClose";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = ConnectionOf(hConnect, function);
        std::shared_ptr<TableSearch> search = LookUp<TableSearch>(hFindHandle, function);
        connection->Forget(hFindHandle);
        ReleaseAndClose(hFindHandle);
    });
}
