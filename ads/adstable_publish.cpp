// The published properties of the query component and its extra stored
// entries: "Data" (the raw SQL buffer), "ParamData" (the parameters),
// "Params" (read only, values taken into the parameters) and "WaitCursor"
// (read and dropped, for old definitions).
#include "ads/adstable.h"

#include "framework/streaming.h"
#include "framework/typinfo.h"

void TAdsQuery::DefineProperties(TFiler& filer)
{
    TAdsExtendedDataSet::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](const QByteArray& data) { mpucSQLBinary = data; },
        [this] { return mpucSQLBinary; }, !mpucSQLBinary.isNull());
    moParams->DefineParamData(filer);
    // "Params" is read for definitions that hold it, its values going into
    // the query's own list; the list itself is written as "ParamData".
    filer.DefineProperty(
        QStringLiteral("Params"),
        [this](TReader& reader) {
            TParams given(this);
            reader.ReadCollection(given);
            SetParams(&given);
        },
        nullptr, false);
    filer.DefineProperty(QStringLiteral("WaitCursor"), [](TReader&) {}, nullptr, false);
}

VARNEL_PUBLISH(TAdsQuery, c)
{
    using Q = TAdsQuery;
    c.sub("AdsTableOptions", &Q::AdsTableOptions);
    c.prop("ReadAllColumns", &Q::ReadAllColumns, &Q::SetReadAllColumns).def(false);
    c.prop("Constrained", &Q::Constrained, &Q::SetConstrained).def(false);
    c.prop("DataSource", &Q::DataSource, &Q::SetDataSource);
    c.prop("ParamCheck", &Q::ParamCheck, &Q::SetParamCheck).def(true);
    c.prop("RequestLive", &Q::RequestLive, &Q::SetRequestLive).def(false);
    c.sub("SQL", &Q::SQL);
    c.prop("SourceTableType", &Q::SourceTableType, &Q::SetSourceTableType).def(ttAdsADT);
    c.prop("AdsConnection", &Q::AdsConnection, &Q::SetAdsConnection);
    c.prop("SQLTimeout", &Q::SQLTimeout, &Q::SetSQLTimeout).def(0);
    c.prop("UpdateMode", &Q::UpdateMode, &Q::SetUpdateMode).def(upWhereAll);
    c.prop("UniDirectional", &Q::UniDirectional, &Q::SetUniDirectional).def(false);
}

VARNEL_DEFINE_CLASS(TAdsQueryDataLink)
