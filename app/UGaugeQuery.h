// The progress window of a free-table restore: what the server says of the
// running restore, as an operation text, a gauge of the percentage done and
// an estimate of the seconds left.
//
// It stays above other windows, has no maximise button and no usable close
// button (FormCreate takes the Close command off its system menu), so the
// operator can move, resize and minimise it but only the program ends it.
// Minimising it minimises the whole program (MinModal1).
#pragma once

#include "toolkit/forms.h"
#include "toolkit/gauges.h"
#include "toolkit/stdctrls.h"

class TMinModal;

class TFGaugeQuery : public TForm {
    VARNEL_DECLARE_CLASS(TFGaugeQuery, TForm)

public:
    explicit TFGaugeQuery(TComponent* owner);

    TLabel* LabelOperation = nullptr;
    TMinModal* MinModal1 = nullptr;
    TGauge* GaugeOperation = nullptr;
    TLabel* LabelEstimation = nullptr;

    void FormCreate(TObject* Sender);
};

// The gauge position for the server's "Percent Complete": the nearest whole
// number, halves to the even neighbour (42.5 gives 42, 43.5 gives 44).
// Values beyond what a position holds are pinned to its limits (the gauge
// clamps them to its own bounds anyway); a value that is not a number raises
// ERangeError.
qint32 GaugePositionOf(double percentComplete);
