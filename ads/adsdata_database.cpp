// Where a dataset's data lives: the connection component or alias its
// DatabaseName names, its database path, the table type that goes with the
// alias or the connection, and the implicit connections shared by path.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "ads/ascii_case.h"
#include "platform/codepages.h"

#include <thread>

namespace {

const char* const kMustNotBeActive = "Table must not be Active.";
const char* const kTableTypeOfAlias =
    "The table type must remain identical to the table type associated with the alias.";

bool IsPath(const QString& name)
{
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'));
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// V names the connection either by its name or as Owner.Name.
bool NamesConnection(const QString& value, const TAdsConnection& connection)
{
    if (SameName(value, connection.Name()))
        return true;
    return connection.Owner() && SameName(value, connection.Owner()->Name() + QLatin1Char('.') + connection.Name());
}

// How strongly connection `c` answers to `value` for a dataset of `owner`:
// 1 same name, owner and thread; 2 same name and thread; 3 same name and
// owner; 4 the name or Owner.Name alone; 0 not at all. Lower wins.
int MatchRank(const QString& value, const TComponent* owner, TAdsConnection& c)
{
    const bool sameName = SameName(value, c.Name());
    const bool sameOwner = c.Owner() == owner;
    const bool sameThread = c.ConnectionThreadID() == std::this_thread::get_id();
    if (sameName && sameOwner && sameThread)
        return 1;
    if (sameName && sameThread)
        return 2;
    if (sameName && sameOwner)
        return 3;
    return NamesConnection(value, c) ? 4 : 0;
}

// Finds the connection `value` names and hands it to `attach` in one walk
// over the registry, under its lock, so that another thread cannot destroy
// the connection between the search and the attaching. Returns false when
// nothing matches. `attach` must take no other registry's lock.
bool AttachConnectionNamed(const QString& value, const TComponent* owner,
                           const std::function<void(TAdsConnection*)>& attach)
{
    TAdsConnection* best = nullptr;
    ConnectionRegistry::Locked([&] {
        int bestRank = 0;
        ConnectionRegistry::Walk([&](TAdsConnection& c) {
            const int rank = MatchRank(value, owner, c);
            if (rank != 0 && (bestRank == 0 || rank < bestRank)) {
                best = &c;
                bestRank = rank;
            }
            return bestRank != 1;  // nothing beats a first-rank match
        });
        if (best)
            attach(best);
    });
    return best != nullptr;
}

} // namespace

void TAdsDataSet::AttachToConnection(TAdsConnection* value)
{
    if (value == mpoAdsConnection)
        return;
    if (mpoAdsConnection)
        mpoAdsConnection->RemoveTableFromConnectList(this);
    if (value)
        value->AddTableToConnectList(this);
    mpoAdsConnection = value;
}

void TAdsDataSet::SetAdsConnection(TAdsConnection* value)
{
    if (Active())
        RaiseDataSetError(QString::fromLatin1(kMustNotBeActive));
    mbDisplayedPathNoExistsWarning = false;
    AttachToConnection(value);
    GetDatabasePath();
}

void TAdsDataSet::SetDatabaseName(const QString& value)
{
    SetAdsConnection(nullptr);
    if (Active())
        RaiseDataSetError(QString::fromLatin1(dbtexts::DataSetOpen));
    mbDisplayedPathNoExistsWarning = false;
    if (value.isEmpty()) {
        mstrDatabaseName.clear();
        mstrAliasPath.clear();
        GetDatabasePath();
        return;
    }
    if (AttachConnectionNamed(value, Owner(), [this](TAdsConnection* connection) { AttachToConnection(connection); })) {
        // Once attached, a connection that goes away detaches the dataset itself.
        mstrDatabaseName = value;
        mstrAliasPath.clear();
        GetDatabasePath();
        return;
    }
    QString aliasPath;
    TAdsTableTypes aliasType = ttAdsADT;
    mstrDatabaseName = value;
    if (IsPath(value) || !ResolveAlias(value, aliasPath, aliasType)) {
        mstrAliasPath.clear();
        return;
    }
    mstrAliasPath = aliasPath;
    SetTableType(aliasType);
}

bool TAdsDataSet::ConnectionIsTheSource() const
{
    if (mstrDatabaseName.isEmpty())
        return true;
    return mpoAdsConnection && NamesConnection(mstrDatabaseName, *mpoAdsConnection);
}

void TAdsDataSet::SyncTableTypeWithConnection()
{
    const std::optional<TAdsTableTypes> type = DataSetTableTypeFor(mpoAdsConnection->GetAdsTableType());
    if (type && *type != meTableType)
        SetTableType(*type);
}

QString TAdsDataSet::GetDatabasePath()
{
    QString path;
    if (!mstrAliasPath.isEmpty()) {
        path = mstrAliasPath;
    } else if (ConnectionIsTheSource()) {
        if (mpoAdsConnection) {
            path = mpoAdsConnection->GetConnectionPath();
            SyncTableTypeWithConnection();
        }
    } else {
        QString aliasPath;
        TAdsTableTypes aliasType = ttAdsADT;
        if (IsPath(mstrDatabaseName) || !ResolveAlias(mstrDatabaseName, aliasPath, aliasType)) {
            path = mstrDatabaseName;
        } else {
            path = aliasPath;
            mstrAliasPath = aliasPath;
            if (aliasType != meTableType)
                SetTableType(aliasType);
        }
    }
    if (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

uint32_t TAdsDataSet::ConnectAndGetHandle()
{
    if (mpoAdsConnection) {
        if (!mpoAdsConnection->IsConnected())
            mpoAdsConnection->SetIsConnected(true);
        return mpoAdsConnection->ConnectionHandle();
    }
    QString path = GetDatabasePath();
    if (path.size() == 2 && path[1] == QLatin1Char(':'))
        path += QLatin1Char('\\');
    TDynamicConnList& list = GlobalDynamicConnList();
    if (const uint32_t handle = list.FindSameDatabasename(path))
        return handle;
    return list.Add(path);
}

void TAdsDataSet::SetTableType(TAdsTableTypes eValue)
{
    if (Active())
        RaiseDataSetError(QString::fromLatin1(dbtexts::DataSetOpen));
    if (!mstrDatabaseName.isEmpty() && !IsPath(mstrDatabaseName)) {
        QString aliasPath;
        TAdsTableTypes aliasType = ttAdsADT;
        if (ResolveAlias(mstrDatabaseName, aliasPath, aliasType) && aliasType != eValue)
            RaiseDataSetError(QString::fromLatin1(kTableTypeOfAlias));
    }
    if (mstrDatabaseName.isEmpty() && mpoAdsConnection) {
        const std::optional<TAdsTableTypes> required = DataSetTableTypeFor(mpoAdsConnection->GetAdsTableType());
        if (required && *required != eValue)
            RaiseDataSetError(QString::fromLatin1(kTableTypeOfAlias));
    }
    meTableType = eValue;
    switch (eValue) {
    case ttAdsCDX: musOpenTableType = ADS_CDX; break;
    case ttAdsNTX: musOpenTableType = ADS_NTX; break;
    case ttAdsVFP: musOpenTableType = ADS_VFP; break;
    default: musOpenTableType = ADS_ADT; break;
    }
}

QString TAdsDataSet::GetEffectiveCollation() const
{
    if (!mpoAdsTableOptions->AdsCollation().isEmpty())
        return mpoAdsTableOptions->AdsCollation();
    if (mpoAdsConnection && !mpoAdsConnection->AdsCollation().isEmpty())
        return mpoAdsConnection->AdsCollation();
    return CharTypeCollationName(mpoAdsTableOptions->AdsCharType());
}

// ---------------------------------------------------------------------------
// TDynamicConnList.

TDynamicConnList::~TDynamicConnList()
{
    try {
        Destroy();
    } catch (...) {
        // Program end: nobody is left to tell.
    }
}

uint32_t TDynamicConnList::FindSameDatabasename(const QString& strDatabasename)
{
    std::lock_guard<std::mutex> guard(FSync);
    try {
        const QString wanted = AsciiUpper(strDatabasename);
        for (const auto& item : FItems)
            if (AsciiUpper(item->FstrDatabasename) == wanted)
                return item->FhAceConn;
    } catch (const Exception&) {
    }
    return 0;
}

uint32_t TDynamicConnList::Add(const QString& strDatabasename)
{
    std::lock_guard<std::mutex> guard(FSync);
    const QByteArray name = StringToAnsi(strDatabasename);
    ADSHANDLE handle = 0;
    const uint32_t code = ace::AdsConnect(name.constData(), &handle);
    if (code != 0)
        CheckAdsResult(nullptr, code);
    try {
        auto entry = std::make_unique<TDynamicConn>();
        entry->FhAceConn = handle;
        entry->FstrDatabasename = strDatabasename;
        FItems.push_back(std::move(entry));
    } catch (const std::exception&) {
        ace::AdsDisconnect(handle);
        return 0;
    }
    return handle;
}

void TDynamicConnList::Destroy()
{
    while (!FItems.empty()) {
        CheckAdsResult(nullptr, ace::AdsDisconnect(FItems.front()->FhAceConn));
        FItems.erase(FItems.begin());
    }
}

int TDynamicConnList::Count()
{
    std::lock_guard<std::mutex> guard(FSync);
    return int(FItems.size());
}

// Created on first use and never destroyed: at program end the engine's own
// teardown may already have run when a destructor or an exit handler of
// this layer would, and an engine call then corrupts the process. The
// engine writes every change through to its files, so the connections it
// releases with the process lose nothing. A program closes them with
// Destroy() at its end, while the engine still runs.
TDynamicConnList& GlobalDynamicConnList()
{
    static TDynamicConnList* const list = new TDynamicConnList;
    return *list;
}
