// The published properties of the layer's dataset, as window definitions
// store them.
#include "ads/adsdata.h"

#include "framework/typinfo.h"

VARNEL_PUBLISH(TAdsDataSet, c)
{
    using D = TAdsDataSet;
    c.prop("DatabaseName", &D::DatabaseName, &D::SetDatabaseName);
    c.prop("InfoStructure", &D::InfoStructure, &D::SetInfoStructure);
    c.prop("IndexFieldNames", &D::IndexFieldNames, &D::SetIndexFieldNames);
    c.prop("IndexName", &D::IndexName, &D::SetIndexName);
    c.prop("Sequenced", &D::Sequenced, &D::SetSequenced).def(false);
    c.prop("SequencedLevel", &D::SequencedLevel, &D::SetSequencedLevel).def(slStandard);
    c.prop("Scoped", &D::Scoped, &D::SetScoped).def(false);
    c.prop("ScopeBegin", &D::ScopeBegin, &D::SetScopeBegin);
    c.prop("ScopeEnd", &D::ScopeEnd, &D::SetScopeEnd);
    c.prop("StoreActive", &D::StoreActive, &D::SetStoreActive).def(true);
    // Read from the engine; never stored.
    c.prop("Version", [](const D& d) { return const_cast<D&>(d).Version(); }, &D::SetVersion).stored(false);
    // Written only when StoreActive says so.
    c.prop("Active", &D::Active, &D::SetActive).def(false).stored(&D::StoreActive);
}
