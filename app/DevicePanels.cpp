#include "app/DevicePanels.h"

#include <iterator>

#include "app/skin/SkinTables.h"
#include "views/flPPM.h"

// Levels 0 to 5 are the input meters and 10 to 17 the output meters. The normal panel also
// feeds levels 6 to 9, which the device never measures, so those four bars stay empty.
const MeterFeed kNormalMeterFeeds[18] = {
    {0, 31}, {1, 32},  {2, 33},  {3, 34},  {4, 35},  {5, 36},  {6, 37},  {7, 40}, {8, 38},
    {9, 41}, {10, 76}, {11, 77}, {12, 78}, {13, 79}, {14, 39}, {15, 42}, {16, 6}, {17, 7},
};

const MeterFeed kShrinkMeterFeeds[4] = {{10, 24}, {11, 25}, {12, 26}, {13, 27}};

const MeterFeed k96kMeterFeeds[14] = {
    {0, 25},  {1, 26},  {2, 27},  {3, 28},  {4, 29},  {5, 30},  {10, 31},
    {11, 33}, {12, 32}, {13, 34}, {14, 48}, {15, 49}, {16, 50}, {17, 51},
};

MirovanGUI::MirovanGUI(MirovanPlugin* plugin, const ViewDefinition* table, ViewID rows)
    : PluginGUI(plugin, table, int(rows)) {}

MirovanGUI::~MirovanGUI() = default;

void MirovanGUI::UpdateMeters(MeterData const*) {}

void MirovanGUI::FeedMeters(MeterData const* meters, const MeterFeed* feeds, int count) {
    if (!meters) return;
    for (int i = 0; i < count; ++i) {
        const MeterFeed& feed = feeds[i];
        if (feed.level < 0 || feed.level >= MeterData::kLevels) continue;
        // The tables put a meter on every fed row; anything else there is left alone.
        if (auto* meter = dynamic_cast<flPPM*>(GetView(feed.row)))
            meter->SetLevel(meters->level[feed.level]);
    }
}

MirovanNormalGUI::MirovanNormalGUI(MirovanPlugin* plugin)
    : MirovanGUI(plugin, allviews, kNormalRows) {}
MirovanNormalGUI::~MirovanNormalGUI() = default;
void MirovanNormalGUI::UpdateMeters(MeterData const* meters) {
    FeedMeters(meters, kNormalMeterFeeds, int(std::size(kNormalMeterFeeds)));
}

MirovanShrinkGUI::MirovanShrinkGUI(MirovanPlugin* plugin)
    : MirovanGUI(plugin, shrink_views, kShrinkRows) {}
MirovanShrinkGUI::~MirovanShrinkGUI() = default;
void MirovanShrinkGUI::UpdateMeters(MeterData const* meters) {
    FeedMeters(meters, kShrinkMeterFeeds, int(std::size(kShrinkMeterFeeds)));
}

Mirovan96kGUI::Mirovan96kGUI(MirovanPlugin* plugin) : MirovanGUI(plugin, all96kviews, k96kRows) {}
Mirovan96kGUI::~Mirovan96kGUI() = default;
void Mirovan96kGUI::UpdateMeters(MeterData const* meters) {
    FeedMeters(meters, k96kMeterFeeds, int(std::size(k96kMeterFeeds)));
}

MirovanAC3GUI::MirovanAC3GUI(MirovanPlugin* plugin) : MirovanGUI(plugin, ac3_views, kAC3Rows) {}
MirovanAC3GUI::~MirovanAC3GUI() = default;
void MirovanAC3GUI::UpdateMeters(MeterData const*) {}

ConnectionLostGUI::ConnectionLostGUI(MirovanPlugin* plugin)
    : PluginGUI(plugin, connlost_views, int(kConnLostRows)) {}
ConnectionLostGUI::~ConnectionLostGUI() = default;
