#include "app/UGaugeQuery.h"

#include "controls/MinModal.h"
#include "framework/mathutil.h"
#include "framework/typinfo.h"

#include <algorithm>
#include <limits>

VARNEL_PUBLISH(TFGaugeQuery, c)
{
    c.field("LabelOperation", &TFGaugeQuery::LabelOperation);
    c.field("MinModal1", &TFGaugeQuery::MinModal1);
    c.field("GaugeOperation", &TFGaugeQuery::GaugeOperation);
    c.field("LabelEstimation", &TFGaugeQuery::LabelEstimation);
    c.method("FormCreate", &TFGaugeQuery::FormCreate);
}

TFGaugeQuery::TFGaugeQuery(TComponent* owner) : TForm(owner)
{
    // The definition names these classes; make sure the linker kept them.
    RegisterClasses<TLabel, TGauge, TMinModal>();
    ReadDefinition(QStringLiteral(":/forms/FGaugeQuery.dfm"));
}

void TFGaugeQuery::FormCreate(TObject*)
{
    DeleteSystemMenuCommand(SC_CLOSE);
}

qint32 GaugePositionOf(double percentComplete)
{
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    if (!std::isnan(percentComplete))
        percentComplete = std::clamp(percentComplete, lowest, highest);
    return qint32(Round(percentComplete));
}
