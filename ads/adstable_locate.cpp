// The query's part in the Locate index search: a result cursor may carry an
// order of its own (its current index), which is worth trying first.
#include "ads/adstable.h"

#include "ads/ace.h"

#include <algorithm>

uint32_t TAdsQuery::CursorCurrentIndex()
{
    ADSHANDLE index = 0;
    if (ace::AdsGetIndexHandle(uint32_t(mlHandle), nullptr, &index) != 0)
        return 0;
    return index;
}

int64_t TAdsQuery::PreferredIndexHandle()
{
    if (HasActiveIndex())
        return mlActiveHandle;
    const uint32_t index = CursorCurrentIndex();
    return index != 0 ? int64_t(index) : -1;
}

void TAdsQuery::OrderIndexCandidates(uint32_t* candidates, uint16_t count)
{
    const uint32_t index = CursorCurrentIndex();
    if (index == 0)
        return;
    uint32_t* end = candidates + count;
    uint32_t* place = std::find(candidates, end, index);
    if (place != end)
        std::rotate(candidates, place, place + 1);
}
