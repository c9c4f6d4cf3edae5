// The connection component: one engine connection to a folder of free tables
// or to a data dictionary, named by a path (ConnectPath) or by an alias of
// ads.ini (AliasName); the datasets attached to it, its statement cache,
// transactions, catalog listings, dictionary links, the takeover of an engine
// handle opened elsewhere, and the encryption and TLS settings it sends.
//
// Invariants:
// - Closed means FConnected false and FhConnection 0; ConnectionHandle() is 0
//   then. An opening that fails leaves the component closed (an engine
//   connection made before the failure is given up again), a closing always
//   leaves it closed, even when a step of it fails; the first failure of a
//   closing is raised once the component is closed.
// - A handle taken over with sharing (FGivenConnection) is never disconnected
//   by this component until ClearHandle.
// - Every live component is in ConnectionRegistry from the end of its
//   construction until its destruction; destruction always leaves the
//   registry and releases what the component owns. A C++ destructor cannot
//   raise, so an engine failure while disconnecting there is dropped after
//   everything is released: call Disconnect() first to see it.
// - The statement cache holds only entries with a prepared statement: an
//   entry whose creation or preparation failed is removed again, and
//   CloseStatementCache never passes handle 0 to the engine.
// - Attached datasets are not owned; a dataset detaches itself
//   (RemoveTableFromConnectList) when it goes.
// - A component is used by one thread at a time; only ConnectionRegistry is
//   shared, under its own lock.
#pragma once

#include "ads/adsini.h"
#include "framework/classes.h"
#include "framework/typinfo.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TDataSet;
class TParams;
class TAdsConnection;

// ---------------------------------------------------------------------------
// Enumerations (ordinal values are part of the contract).

enum TAdsServerType { stADS_REMOTE, stADS_LOCAL, stADS_AIS };
using TAdsServerTypes = TSet<TAdsServerType>;
VARNEL_ENUM_NAMES(TAdsServerType, "stADS_REMOTE", "stADS_LOCAL", "stADS_AIS");

enum TAdsCompressionTypes { ccAdsCompressionNotSet, ccAdsCompressInternet, ccAdsCompressAlways, ccAdsCompressNever };
VARNEL_ENUM_NAMES(TAdsCompressionTypes, "ccAdsCompressionNotSet", "ccAdsCompressInternet", "ccAdsCompressAlways",
                  "ccAdsCompressNever");

enum TAdsCommunicationType { ctAdsDefault, ctAdsUDPIP, ctAdsIPX, ctAdsTCPIP, ctAdsTLS };
VARNEL_ENUM_NAMES(TAdsCommunicationType, "ctAdsDefault", "ctAdsUDPIP", "ctAdsIPX", "ctAdsTCPIP", "ctAdsTLS");

enum TAdsTLSCipherSuite { tlsAES128SHA, tlsAES256SHA, tlsRC4MD5 };
using TAdsTLSCipherSuites = TSet<TAdsTLSCipherSuite>;
VARNEL_ENUM_NAMES(TAdsTLSCipherSuite, "tlsAES128SHA", "tlsAES256SHA", "tlsRC4MD5");

enum TAdsDataEncryptionType { etAdsDefault, etAdsAES128, etAdsAES256, etAdsRC4 };
VARNEL_ENUM_NAMES(TAdsDataEncryptionType, "etAdsDefault", "etAdsAES128", "etAdsAES256", "etAdsRC4");

// Flags 1, 2 and 4 of a dictionary link.
enum TAdsLinkOption { loGlobal, loAuthenticateActiveUser, loPathIsStatic };
using TAdsLinkOptions = TSet<TAdsLinkOption>;
VARNEL_ENUM_NAMES(TAdsLinkOption, "loGlobal", "loAuthenticateActiveUser", "loPathIsStatic");

// ---------------------------------------------------------------------------
// Events and hooks.

// Called before a dictionary connection opens with LoginPrompt set; receives
// empty user name and password and gives back the ones to connect with.
using TAdsDatabaseLoginEvent =
    std::function<void(TAdsConnection* AdsConnection, QString& Username, QString& Password)>;

// The login dialog the framework shows when no OnLogin handler is set:
// database name, user name (in/out) and password (in/out); false when the
// user cancelled. Installed by the program (the toolkit provides one);
// without one the stored Password is used.
using TAdsLoginDialog = std::function<bool(const QString& databaseName, QString& userName, QString& password)>;
void SetLoginDialog(TAdsLoginDialog dialog);
const TAdsLoginDialog& LoginDialog();

// What the connection needs of an attached dataset beyond the framework's
// TDataSet: the layer's dataset class implements it. A dataset attached
// through AddTableToConnectList that does not implement it is only closed,
// cancelled and refreshed.
class TAdsConnectionDataSet {
public:
    virtual ~TAdsConnectionDataSet() = default;
    // Forget every engine handle without closing it (the engine releases
    // them with the connection).
    virtual void InvalidateAceHandles() = 0;
    virtual void UpdateDefaultIndex() = 0;
    virtual void SetTableType(TAdsTableTypes tableType) = 0;
    // The table type of the connection's alias, given when the alias is
    // set: SetTableType unless the dataset takes it otherwise.
    virtual void TakeAliasTableType(TAdsTableTypes tableType) { SetTableType(tableType); }
    virtual QString DatabaseName() const = 0;
    virtual void SetDatabaseName(const QString& name) = 0;
    // The connection the dataset is attached to, or none.
    virtual TAdsConnection* AttachedConnection() const = 0;
    // The connection is going: the reference becomes none.
    virtual void DetachConnection() = 0;
};

// The walk over every live dataset of the process, under the dataset
// registry's lock; the dataset unit installs it. Renaming a connection
// re-links datasets through it; without one nothing is walked.
using TDataSetRegistryVisitor = std::function<void(TDataSet& dataSet)>;
using TDataSetRegistryWalk = std::function<void(const TDataSetRegistryVisitor& visit)>;
void SetDataSetRegistryWalk(TDataSetRegistryWalk walk);

// ---------------------------------------------------------------------------
// The process-wide list of live connection components, with its own lock.

class ConnectionRegistry {
public:
    // Calls `visit` for every live connection in construction order, under
    // the lock; the walk stops when `visit` returns false.
    static void Walk(const std::function<bool(TAdsConnection&)>& visit);
    static int Count();
    // Runs `work` under the lock (it may walk again: the lock is re-entrant),
    // so that no connection leaves the registry while it runs.
    static void Locked(const std::function<void()>& work);

private:
    friend class TAdsConnection;
    static void Add(TAdsConnection* connection);
    static void Remove(TAdsConnection* connection);
};

// ---------------------------------------------------------------------------

// The encryption and TLS settings of a connection (a stored sub-object).
// Every published property may only change while the connection is closed.
class TAdsEncryptionOptions : public TPersistent {
    VARNEL_DECLARE_CLASS(TAdsEncryptionOptions, TPersistent)
public:
    TAdsEncryptionOptions() = default;

    void SetConnectionInstance(TAdsConnection* poConnect);
    TAdsConnection* OwningConnection() const { return FConnection; }

    const QString& DataDictionaryPassword() const { return FDDPassword; }
    void SetDataDictionaryPassword(const QString& value);
    const QString& TLSCertificate() const { return FCertificate; }
    void SetTLSCertificate(const QString& value);
    TAdsTLSCipherSuites TLSCipherSuite() const { return FCipherSuites; }
    void SetTLSCipherSuite(TAdsTLSCipherSuites value);
    const QString& TLSCommonName() const { return FCommonName; }
    void SetTLSCommonName(const QString& value);
    bool FIPSMode() const { return FFIPSMode; }
    void SetFIPSMode(bool value);
    TAdsDataEncryptionType DataEncryptionType() const { return FDataEncryptionType; }
    void SetDataEncryptionType(TAdsDataEncryptionType value);

    void Assign(const TPersistent* source) override;

private:
    friend class TAdsConnection;  // takes over a handle's settings directly
    void CheckNotConnected() const;

    TAdsConnection* FConnection = nullptr;
    QString FDDPassword;
    QString FCertificate;
    TAdsTLSCipherSuites FCipherSuites;
    QString FCommonName;
    bool FFIPSMode = false;
    TAdsDataEncryptionType FDataEncryptionType = etAdsDefault;
};

// One prepared statement of the cache.
struct TStmtInfo {
    int32_t HashCode = 0;
    uint32_t StmtHandle = 0;  // 0 until prepared
    QString SQLText;
};

// Statement options of the second form of Execute.
struct TAdsDatasetOptions {
    uint16_t musAdsLockType = 0;
    uint16_t musAdsCharType = 0;
    uint16_t musAdsRightsCheck = 0;
    uint16_t musAdsTableType = 0;
    QString mstrCollation;
};

class TAdsConnection : public TComponent {
    VARNEL_DECLARE_CLASS(TAdsConnection, TComponent)
public:
    explicit TAdsConnection(TComponent* Owner);
    ~TAdsConnection() override;

    // Built around a handle opened elsewhere: sharing it (never disconnected
    // by the component), or opening a twin connection with its settings and
    // the given name. A failure destroys the new component and is raised.
    static TAdsConnection* CreateWithHandle(TComponent* Owner, uint32_t Handle);
    static TAdsConnection* CreateFromHandle(TComponent* Owner, uint32_t Handle, const QString& strName);

    // --- Opening and closing
    bool IsConnected() const { return FConnected; }
    void SetIsConnected(bool value);
    void Connect() { SetIsConnected(true); }
    void Disconnect() { SetIsConnected(false); }
    uint32_t ConnectionHandle() const { return FConnected ? FhConnection : 0; }
    uint32_t Handle() const { return FhConnection; }
    std::thread::id ConnectionThreadID() const { return FThreadID; }

    // --- Where
    const QString& AliasName() const { return FAliasName; }
    void SetAliasName(const QString& value);
    const QString& ConnectPath() const { return FConnectString; }
    void SetConnectPath(const QString& value);
    bool IsDictionaryConn() const { return FIsDictionaryConn; }
    QString GetConnectionPath() const;
    QString GetConnectionWithDDPath() const;
    TAdsConnectionTableTypes GetAdsTableType() const { return meAliasTableType; }
    static bool IsDictionaryPath(const QString& path);

    // The engine connection string for the current settings.
    QString ConnectString() const;

    // --- Settings
    TAdsServerTypes AdsServerTypes() const { return FAdsServerTypes; }
    void SetAdsServerTypes(TAdsServerTypes value) { FAdsServerTypes = value; }
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool value) { FLoginPrompt = value; }
    const QString& Username() const { return FUsername; }
    void SetUsername(const QString& value) { FUsername = value; }
    const QString& Password() const { return FPassword; }
    void SetPassword(const QString& value) { FPassword = value; }
    bool MiddleTierConnection() const { return FMiddleTierConnection; }
    void SetMiddleTierConnection(bool value) { FMiddleTierConnection = value; }
    bool StoreConnected() const { return FStoreConnected; }
    void SetStoreConnected(bool value) { FStoreConnected = value; }
    bool StoredProcedureConnection() const { return FStoredProcedureConnection; }
    void SetStoredProcedureConnection(bool value) { FStoredProcedureConnection = value; }
    TAdsCompressionTypes Compression() const { return FCompression; }
    void SetCompression(TAdsCompressionTypes value) { FCompression = value; }
    TAdsCommunicationType CommunicationType() const { return FCommunicationType; }
    void SetCommunicationType(TAdsCommunicationType value) { FCommunicationType = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool CancelOnRollback() const { return FCancelOnRollback; }
    void SetCancelOnRollback(bool value) { FCancelOnRollback = value; }
    int32_t SQLTimeout() const { return FSQLTimeout; }
    void SetSQLTimeout(int32_t value);
    const QString& ApplicationID() const { return FAppID; }
    void SetApplicationID(const QString& value);
    const QString& AdsCollation() const { return FAdsCollation; }
    void SetAdsCollation(const QString& value) { FAdsCollation = value; }
    TAdsEncryptionOptions* EncryptionOptions() const { return FEncryptionOptions.get(); }
    void SetEncryptionOptions(const TAdsEncryptionOptions* value) { FEncryptionOptions->Assign(value); }
    const QString& ExtraConnectString() const { return FExtraConnectString; }
    void SetExtraConnectString(const QString& value);
    const QString& DateFormat() const { return FDateFormat; }
    void SetDateFormat(const QString& value);

    // --- Attached datasets
    void AddTableToConnectList(TDataSet* Table);
    void RemoveTableFromConnectList(TDataSet* oCallee);
    int DataSetCount() const { return int(FTablesList.size()); }
    TDataSet* DataSets(int index) const;

    // --- Statements
    int32_t Execute(const QString& SQL, TParams* Params, bool Cache, uint32_t* Cursor);
    int32_t Execute(const TAdsDatasetOptions& oAdsDatasetOptions, const QString& SQL, TParams* Params, bool Cache,
                    uint32_t* Cursor);
    // The 32-bit hash under which a statement text is cached.
    static int32_t StatementHash(const QString& text);
    QString GetApplicationID();
    // The cache entries in order (for inspection).
    const std::vector<TStmtInfo>& StatementCache() const;

    // --- Transactions
    void BeginTransaction();
    void Commit();
    void Rollback();
    void Rollback(const QString& strSavepoint);
    void CreateSavepoint(const QString& strSavepoint);
    bool TransactionActive() const;
    int32_t TransactionCount() const;

    // --- Catalog, links, clock
    void GetTableNames(TStrings* poList, const QString& strFileMask);
    void GetTableAndLinkNames(TStrings* poLinkNames, TStrings* poTableNames, const QString& strFileMask);
    void GetProcedureNames(TStrings* poList);
    int GetNumActiveDDLinks();
    void GetActiveDDLinkInfo(int iLinkNum, TStrings* poList);
    void CreateDDLink(const QString& strLinkAlias, const QString& strLinkedDDPath, const QString& strUserName,
                      const QString& strPassword, TAdsLinkOptions Options);
    void DropDDLink(const QString& strLinkedDD, bool bDropGlobal);
    // The server's date and time as days since 30 December 1899 with the
    // time of day as fraction.
    double GetServerTime();
    void CloseCachedTables();

    // --- Handle takeover and server information
    void SetHandle(uint32_t hConnection, bool bShareHandle);
    void ClearHandle() { FGivenConnection = 0; }
    QString ServerName() const;
    QString ConnectionType() const;
    bool IsConnectionAlive() const;
    int DDVersionMajor() const;
    int DDVersionMinor() const;
    TStrings* UserGroups();
    QString UserGroupsString();

    // --- Events
    TNotifyEvent AfterCommit, BeforeCommit, AfterRollback, BeforeRollback;
    TNotifyEvent OnConnect, OnDisconnect;
    TNotifyEvent AfterConnect, BeforeConnect, AfterDisconnect, BeforeDisconnect;
    TAdsDatabaseLoginEvent OnLogin;

protected:
    void Loaded() override;
    void NameChanged(const QString& oldName, const QString& newName) override;

    void OpenServerConnection(const QString& path);
    void CloseStatementCache();
    void ReadUserGroups();
    void ApplyApplicationID(const QString& value);

private:
    // Opening and closing (adscnnct_open.cpp).
    void Open();
    void Close();
    void OpenAfterChecks();
    void CheckAliasBeforeOpening();
    void GiveUpEngineConnection() noexcept;
    void AskForCredentials(QString& userName, QString& password);
    QString BuildConnectString(const QString& userName, const QString& password) const;
    void CheckConnectedToServer() const;

    // Datasets (adscnnct_datasets.cpp).
    void CloseDataSetsForDisconnect() noexcept;
    void DetachDataSets() noexcept;
    void UpdateDefaultIndexes();
    void CancelDataSets();
    void RefreshBrowsingDataSets();
    void PassTableTypeToOwnerDataSets();
    void RelinkDataSets(const QString& oldName, const QString& newName);

    // Statements (adscnnct_statements.cpp, adscnnct_binding.cpp).
    int32_t ExecuteWith(const TAdsDatasetOptions* options, const QString& SQL, TParams* Params, bool Cache,
                        uint32_t* Cursor);
    uint32_t PrepareCachedStatement(const TAdsDatasetOptions* options, const QString& SQL, bool Cache,
                                    uint32_t* Cursor);
    uint32_t CreatePreparedStatement(const TAdsDatasetOptions* options, const QString& SQL, bool Cursor);
    TStmtInfo& FindStmtInfo(const QString& SQL);
    void ForgetUnpreparedStatementInfo();
    static bool HasParams(const TParams* Params);
    void BindParamsByPosition(uint32_t statement, TParams& Params);
    void RunPrepared(const TAdsDatasetOptions* options, uint32_t statement, const QString& SQL, TParams* Params,
                     uint32_t* Cursor, int32_t& result);

    // Handle takeover (adscnnct_handle.cpp).
    void TakeOverSettings(uint32_t hConnection);

    QString FAliasName;
    bool FValidAlias = true;
    bool FConnected = false;
    QString FConnectString;
    uint32_t FhConnection = 0;
    std::vector<TDataSet*> FTablesList;
    bool bConnectAfterLoad = false;
    QString mstrAliasPath;
    TAdsConnectionTableTypes meAliasTableType = ttAdsConnectUnspecified;
    QString mFormName;
    bool FIsDictionaryConn = false;
    bool FLoginPrompt = true;
    QString FUsername;
    QString FPassword;
    TAdsServerTypes FAdsServerTypes;
    std::unique_ptr<std::vector<TStmtInfo>> FStmtList;
    std::thread::id FThreadID;
    bool FMiddleTierConnection = false;
    bool FStoreConnected = true;
    bool FStoredProcedureConnection = false;
    TAdsCompressionTypes FCompression = ccAdsCompressionNotSet;
    TAdsCommunicationType FCommunicationType = ctAdsDefault;
    bool FReadOnly = false;
    uint32_t FGivenConnection = 0;
    std::unique_ptr<TStringList> FUserGroups;
    QString FUserGroupsString;
    bool FReadUserGroups = false;
    bool FCancelOnRollback = true;
    int32_t FSQLTimeout = 0;
    QString FAppID;
    QString FAdsCollation;
    std::unique_ptr<TAdsEncryptionOptions> FEncryptionOptions;
    QString FExtraConnectString;
    QString FDateFormat;
};
