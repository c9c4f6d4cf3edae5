// What a connection does to the datasets attached to it: closing them with
// the connection, default indexes of dictionary tables, cancels and
// refreshes around a rollback, the alias table type, and the re-linking of
// dataset database names when the connection is renamed.
#include "ads/adscnnct.h"
#include "ads/ascii_case.h"

#include "framework/dataset.h"

namespace {

TDataSetRegistryWalk& InstalledRegistryWalk()
{
    static TDataSetRegistryWalk walk;
    return walk;
}

TAdsConnectionDataSet* LayerSide(TDataSet* dataSet)
{
    return dynamic_cast<TAdsConnectionDataSet*>(dataSet);
}

} // namespace

void SetDataSetRegistryWalk(TDataSetRegistryWalk walk)
{
    InstalledRegistryWalk() = std::move(walk);
}

// The datasets stay attached; a dataset whose closing fails is still made
// to forget its engine handles, which go with the connection.
void TAdsConnection::CloseDataSetsForDisconnect() noexcept
{
    for (TDataSet* dataSet : std::vector<TDataSet*>(FTablesList)) {
        try {
            dataSet->Close();
        } catch (const Exception&) {
        }
        if (TAdsConnectionDataSet* layer = LayerSide(dataSet))
            layer->InvalidateAceHandles();
    }
}

void TAdsConnection::DetachDataSets() noexcept
{
    for (TDataSet* dataSet : std::vector<TDataSet*>(FTablesList))
        if (TAdsConnectionDataSet* layer = LayerSide(dataSet))
            layer->DetachConnection();
    FTablesList.clear();
}

void TAdsConnection::UpdateDefaultIndexes()
{
    for (TDataSet* dataSet : std::vector<TDataSet*>(FTablesList))
        if (TAdsConnectionDataSet* layer = LayerSide(dataSet))
            layer->UpdateDefaultIndex();
}

void TAdsConnection::CancelDataSets()
{
    for (TDataSet* dataSet : std::vector<TDataSet*>(FTablesList))
        dataSet->Cancel();
}

void TAdsConnection::RefreshBrowsingDataSets()
{
    for (TDataSet* dataSet : std::vector<TDataSet*>(FTablesList))
        if (dataSet->Active() && dataSet->State() == dsBrowse)
            dataSet->Refresh();
}

// The owner's datasets attached to this connection that name it (or name
// nothing) take the table type of its alias.
void TAdsConnection::PassTableTypeToOwnerDataSets()
{
    const std::optional<TAdsTableTypes> tableType = DataSetTableTypeFor(meAliasTableType);
    if (!tableType || !Owner())
        return;
    for (int i = 0; i < Owner()->ComponentCount(); ++i) {
        auto* layer = dynamic_cast<TAdsConnectionDataSet*>(Owner()->Components(i));
        if (!layer || layer->AttachedConnection() != this)
            continue;
        const QString databaseName = layer->DatabaseName();
        if (databaseName.isEmpty() || databaseName == Name())
            layer->TakeAliasTableType(*tableType);
    }
}

void TAdsConnection::RelinkDataSets(const QString& oldName, const QString& newName)
{
    const TDataSetRegistryWalk& walk = InstalledRegistryWalk();
    if (!walk || !Owner())
        return;
    const QString owner = AsciiUpper(Owner()->Name());
    const QString oldUpper = AsciiUpper(oldName);
    const QString newUpper = AsciiUpper(newName);
    walk([&](TDataSet& dataSet) {
        TAdsConnectionDataSet* layer = LayerSide(&dataSet);
        if (!layer || (layer->AttachedConnection() != nullptr && layer->AttachedConnection() != this))
            return;
        const QString databaseName = AsciiUpper(layer->DatabaseName());
        if (!oldName.isEmpty() && databaseName == oldUpper)
            layer->SetDatabaseName(newName);
        else if (!oldName.isEmpty() && databaseName == owner + QLatin1Char('.') + oldUpper)
            layer->SetDatabaseName(Owner()->Name() + QLatin1Char('.') + newName);
        if (dataSet.Owner() && owner + QLatin1Char('.') + newUpper ==
                                   AsciiUpper(dataSet.Owner()->Name()) + QLatin1Char('.') +
                                       AsciiUpper(layer->DatabaseName()))
            layer->SetDatabaseName(newName);
    });
}
