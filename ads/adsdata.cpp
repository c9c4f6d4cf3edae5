// The dataset's construction and destruction, its version text and the
// dataset registry.
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <algorithm>

TAdsDataSet::TAdsDataSet(TComponent* owner)
    : TDataSet(owner), FACEFieldDefs(std::make_unique<TACEFieldDefs>()),
      mpoIndexDefs(std::make_unique<TIndexDefs>(this)), mpoAdsTableOptions(std::make_unique<TAdsTableOptions>())
{
    mpoAdsTableOptions->SetTableInstance(this);
    DataSetRegistry::Add(this);
}

// Leaves the registry first, so that no walk on another thread meets a
// dataset half destroyed; then closes while everything is still in place.
TAdsDataSet::~TAdsDataSet()
{
    DataSetRegistry::Remove(this);
    CloseForDestruction();
    if (mpoAdsConnection)
        mpoAdsConnection->RemoveTableFromConnectList(this);
    mpoAdsConnection = nullptr;
    FOldRecordBuffer.clear();
}

void TAdsDataSet::RaiseDataSetError(const QString& message)
{
    throw EADSDatabaseError(this, kAdsDataSetErrorCode, message);
}

QString TAdsDataSet::Version()
{
    UNSIGNED32 major = 0, minor = 0;
    char letter = ' ';
    char description[128] = {};
    UNSIGNED16 descriptionLength = sizeof(description);
    Check(ace::AdsGetVersion(&major, &minor, &letter, description, &descriptionLength));
    QString engine = QString::number(major) + QLatin1Char('.') +
                     (minor < 10 ? QStringLiteral("0") : QString()) + QString::number(minor);
    if (letter != ' ')
        engine += QLatin1Char(letter);
    return QString::fromLatin1(kAdsLayerVersion) + QStringLiteral(" (ACE ") + engine + QLatin1Char(')');
}

void TAdsDataSet::DataEvent(TDataEvent event, qintptr info)
{
    if (event == dePropertyChange)
        mpoIndexDefs->SetUpdated(false);
    TDataSet::DataEvent(event, info);
}

void TAdsDataSet::SetIndexName(const QString& value)
{
    mstrIndexName = value;
    if (!value.isEmpty())
        mstrIndexFieldNames.clear();
}

void TAdsDataSet::SetIndexFieldNames(const QString& value)
{
    mstrIndexFieldNames = value;
    if (!value.isEmpty())
        mstrIndexName.clear();
}

// ---------------------------------------------------------------------------
// DataSetRegistry.

namespace {

struct RegistryState {
    std::mutex lock;
    std::vector<TAdsDataSet*> items;
};

RegistryState& Registry()
{
    static RegistryState* state = [] {
        // The connection component walks the datasets when it is renamed.
        SetDataSetRegistryWalk([](const TDataSetRegistryVisitor& visit) {
            DataSetRegistry::Walk([&](TAdsDataSet& dataSet) { visit(dataSet); });
        });
        return new RegistryState;
    }();
    return *state;
}

} // namespace

void DataSetRegistry::Add(TAdsDataSet* dataSet)
{
    RegistryState& state = Registry();
    std::lock_guard<std::mutex> guard(state.lock);
    state.items.push_back(dataSet);
}

void DataSetRegistry::Remove(TAdsDataSet* dataSet)
{
    RegistryState& state = Registry();
    std::lock_guard<std::mutex> guard(state.lock);
    state.items.erase(std::remove(state.items.begin(), state.items.end(), dataSet), state.items.end());
}

int DataSetRegistry::Count()
{
    RegistryState& state = Registry();
    std::lock_guard<std::mutex> guard(state.lock);
    return int(state.items.size());
}

void DataSetRegistry::Walk(const std::function<void(TAdsDataSet&)>& visit)
{
    RegistryState& state = Registry();
    std::lock_guard<std::mutex> guard(state.lock);
    for (TAdsDataSet* dataSet : state.items)
        visit(*dataSet);
}
