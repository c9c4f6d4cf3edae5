// TAdsExtendedDataSet: the dataset class between the layer's dataset and its
// query component; table maintenance operations join it in a later step.
#pragma once

#include "ads/adsdata.h"

class TAdsExtendedDataSet : public TAdsDataSet {
    VARNEL_DECLARE_CLASS(TAdsExtendedDataSet, TAdsDataSet)
public:
    explicit TAdsExtendedDataSet(TComponent* owner) : TAdsDataSet(owner) {}
};
