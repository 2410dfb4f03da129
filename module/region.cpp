// Region names and their international dialling prefixes. The host reads the
// table in place, so its layout is the RegionEntry of pelmo.h.
#include "pelmo.h"
#include "resources/resource_ids.h"

#include <cstring>

namespace {

RegionEntry g_regions[] = {
    {IDS_REGION_CN, "0086"}, {IDS_REGION_TW, "00886"}, {IDS_REGION_HK, "00852"}, {IDS_REGION_MO, "00853"},
    {IDS_REGION_SG, "0065"}, {IDS_REGION_US, "001"},   {IDS_REGION_CA, "001"},   {0, ""},
};

constexpr int kRegionNameSize = 255;

}  // namespace

extern "C" {

RegionEntry* PELMO_API getRegionNum(void)
{
    return g_regions;
}

RegionEntry* PELMO_API getNumFromRegion(const char* name)
{
    if (!name)
        return nullptr;
    for (RegionEntry* entry = g_regions; entry->nameId != 0; ++entry) {
        char text[kRegionNameSize] = {};
        // A name missing from the resource library matches nothing, not "".
        if (getGlobalStr(entry->nameId, text, sizeof text) == 0)
            continue;
        if (std::strcmp(text, name) == 0)
            return entry;
    }
    return nullptr;
}

}  // extern "C"
