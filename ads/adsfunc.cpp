#include "ads/adsfunc.h"

#include "framework/typinfo.h"

VARNEL_DEFINE_CLASS(TAdsExtendedDataSet)
