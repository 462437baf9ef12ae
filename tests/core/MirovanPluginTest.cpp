#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "device/MirovanPlugin.h"

namespace {

TEST(MirovanTable, RowsAreConsistentWithTheirKinds) {
    const std::set<int> switches = {2,  3,  4,  5,  41, 42, 43, 44, 45, 46, 47,
                                    48, 49, 58, 59, 60, 61, 62, 63, 71, 72};
    for (int i = 0; i < kMirovanParameterCount; ++i) {
        const ParameterDefinition& row = allparams[i];
        EXPECT_EQ(row.id, i);
        EXPECT_LT(strnlen(row.name, sizeof row.name), sizeof row.name);
        const bool isSwitch = switches.count(i) != 0;
        const bool isDiscrete = isSwitch || (i >= 50 && i <= 57);
        EXPECT_EQ(row.unit, isSwitch ? kUnitSwitch : kUnitNone) << i;
        EXPECT_EQ(row.law, isDiscrete ? kLawDiscrete : kLawLinear) << i;
        const bool isPan = (i >= 23 && i <= 28) || (i >= 35 && i <= 40);
        EXPECT_EQ(row.min, i == 57 ? 1.0f : isPan ? -1.0f : 0.0f) << i;
        EXPECT_EQ(row.max, i == 57 ? 4.0f : 1.0f) << i;
    }
    EXPECT_STREQ(allparams[0].name, "Input/Playback Balance to Monitors");
    EXPECT_STREQ(allparams[40].name, "Input 6 Headphone Mix Pan");
    EXPECT_STREQ(allparams[71].name, "Send Outputs 1&2 to S/PDIF");
}

TEST(MirovanPlugin, HoldsTheNormalisedDefaults) {
    MirovanPlugin plugin;
    ASSERT_EQ(plugin.count, static_cast<unsigned long>(kMirovanParameterCount));
    for (int i = 0; i < kMirovanParameterCount; ++i) {
        float expected = 0.0f;
        if (i <= 1 || (i >= 9 && i <= 40) || (i >= 65 && i <= 70)) expected = 0.5f;
        if ((i >= 5 && i <= 8) || i == 72) expected = 1.0f;
        EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(i), expected) << i;
    }
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(73), 0.0f);
    EXPECT_EQ(plugin.GetPluginInterface(), nullptr);
    EXPECT_TRUE(plugin.observers.empty());
}

TEST(MirovanPlugin, SampleRateSelectorUsesTheDiscreteLaw) {
    MirovanPlugin plugin;
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValueUnnormalised(57), 1.0f);
    plugin.HostHasChangedParameterUnnormalised(57, 3);
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(57), 0.5f);
    plugin.HostHasChangedParameterUnnormalised(57, 9);
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(57), 0.75f);
    plugin.HostHasChangedParameter(57, 1.0f);
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValueUnnormalised(57), 5.0f);  // kept: one above 4
}

TEST(MirovanPlugin, TextsAndNames) {
    MirovanPlugin plugin;
    char buf[65];
    plugin.params[2]->GetTextualValue(buf, 64);
    EXPECT_STREQ(buf, "Off");
    plugin.params[5]->GetTextualValue(buf, 64);
    EXPECT_STREQ(buf, "On");
    plugin.params[0]->GetTextualValue(buf, 64);
    EXPECT_STREQ(buf, "0.500");
    plugin.params[2]->GetTextualValue(buf, 2);
    EXPECT_STREQ(buf, "");

    plugin.GetParameterName(59, buf, sizeof buf);
    EXPECT_STREQ(buf, "Mirovan LE In Use");
    std::memset(buf, '#', sizeof buf);
    plugin.GetParameterName(64, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
    plugin.GetParameterName(72, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
}

}  // namespace
