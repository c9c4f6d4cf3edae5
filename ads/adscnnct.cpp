// The connection component's life: construction, the registry of live
// connections, the attached-dataset list, loading from a window definition,
// renaming, and destruction.
#include "ads/adscnnct.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/syncobjs.h"

#include <algorithm>

namespace {

struct RegistryState {
    TCriticalSection lock;
    std::vector<TAdsConnection*> connections;
};

RegistryState& Registry()
{
    static RegistryState* const state = new RegistryState;  // outlives every connection
    return *state;
}

TAdsLoginDialog& InstalledLoginDialog()
{
    static TAdsLoginDialog dialog;
    return dialog;
}

} // namespace

// ---------------------------------------------------------------------------
// Hooks

void SetLoginDialog(TAdsLoginDialog dialog)
{
    InstalledLoginDialog() = std::move(dialog);
}

const TAdsLoginDialog& LoginDialog()
{
    return InstalledLoginDialog();
}

// ---------------------------------------------------------------------------
// ConnectionRegistry

void ConnectionRegistry::Add(TAdsConnection* connection)
{
    RegistryState& registry = Registry();
    TCriticalSectionGuard guard(registry.lock);
    registry.connections.push_back(connection);
}

void ConnectionRegistry::Remove(TAdsConnection* connection)
{
    RegistryState& registry = Registry();
    TCriticalSectionGuard guard(registry.lock);
    std::erase(registry.connections, connection);
}

void ConnectionRegistry::Walk(const std::function<bool(TAdsConnection&)>& visit)
{
    RegistryState& registry = Registry();
    TCriticalSectionGuard guard(registry.lock);
    for (TAdsConnection* connection : registry.connections)
        if (!visit(*connection))
            return;
}

void ConnectionRegistry::Locked(const std::function<void()>& work)
{
    TCriticalSectionGuard guard(Registry().lock);
    work();
}

int ConnectionRegistry::Count()
{
    RegistryState& registry = Registry();
    TCriticalSectionGuard guard(registry.lock);
    return int(registry.connections.size());
}

// ---------------------------------------------------------------------------
// Construction and destruction

TAdsConnection::TAdsConnection(TComponent* Owner)
    : TComponent(Owner),
      mFormName(Owner ? Owner->Name() : QString()),
      FThreadID(std::this_thread::get_id()),
      FUserGroups(std::make_unique<TStringList>()),
      FEncryptionOptions(std::make_unique<TAdsEncryptionOptions>())
{
    FEncryptionOptions->SetConnectionInstance(this);
    ConnectionRegistry::Add(this);
}

TAdsConnection::~TAdsConnection()
{
    // Out of the registry first: a dataset attaching under the registry's
    // lock then either comes before (and is detached below) or misses it.
    ConnectionRegistry::Remove(this);
    if (FConnected) {
        CloseDataSetsForDisconnect();
        DetachDataSets();
        try {
            CloseStatementCache();
        } catch (const Exception&) {
            // Dropped: a destructor cannot raise, and the engine releases the
            // statements with the connection below.
        }
        FStmtList.reset();
        if (FGivenConnection == 0) {
            // A failure is dropped here (see the header): the component is
            // released all the same, and the engine connection is gone or
            // unknown to the engine either way.
            ace::AdsDisconnect(FhConnection);
        }
        if (OnDisconnect)
            OnDisconnect(this);
        FhConnection = 0;
        FConnected = false;
    } else {
        DetachDataSets();
    }
    FTablesList.clear();
}

TAdsConnection* TAdsConnection::CreateWithHandle(TComponent* Owner, uint32_t Handle)
{
    auto connection = std::make_unique<TAdsConnection>(Owner);
    connection->SetHandle(Handle, true);
    return connection.release();
}

TAdsConnection* TAdsConnection::CreateFromHandle(TComponent* Owner, uint32_t Handle, const QString& strName)
{
    auto connection = std::make_unique<TAdsConnection>(Owner);
    connection->SetLoginPrompt(false);
    connection->SetHandle(Handle, false);
    connection->SetName(strName);
    return connection.release();
}

// ---------------------------------------------------------------------------
// Loading and renaming

void TAdsConnection::Loaded()
{
    TComponent::Loaded();
    if (!bConnectAfterLoad || FConnected)
        return;
    bConnectAfterLoad = false;
    if (IsDesigning() && EventGuard()) {
        // In the designer a failure goes to the application's handler.
        EventGuard()([this] { SetIsConnected(true); });
        return;
    }
    SetIsConnected(true);
}

void TAdsConnection::NameChanged(const QString& oldName, const QString& newName)
{
    TComponent::NameChanged(oldName, newName);
    RelinkDataSets(oldName, newName);
}

// ---------------------------------------------------------------------------
// Attached datasets

void TAdsConnection::AddTableToConnectList(TDataSet* Table)
{
    FTablesList.push_back(Table);
}

void TAdsConnection::RemoveTableFromConnectList(TDataSet* oCallee)
{
    auto at = std::find(FTablesList.begin(), FTablesList.end(), oCallee);
    if (at != FTablesList.end())
        FTablesList.erase(at);
}

TDataSet* TAdsConnection::DataSets(int index) const
{
    if (index < 0 || index >= int(FTablesList.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FTablesList[size_t(index)];
}
