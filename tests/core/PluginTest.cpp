#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/Plugin.h"

namespace {

// Every party records what it hears into one shared log, so the order across the host and the
// observers can be checked.
using Log = std::vector<std::string>;

class RecordingHost : public PPluginInterface {
  public:
    explicit RecordingHost(Log* log) : log(log) {}
    float GetSampleRate() override { return 48000; }
    void ParameterHasChanged(int index) override {
        log->push_back("host:" + std::to_string(index));
        if (onChange) onChange(index);
    }
    Log* log;
    std::function<void(int)> onChange;
};

class RecordingObserver : public Plugin::ParameterObserver {
  public:
    RecordingObserver(const char* name, Log* log) : name(name), log(log) {}
    void NotifyParameterChanged(int index) override {
        log->push_back(name + ":" + std::to_string(index));
        if (onChange) onChange(index);
    }
    std::string name;
    Log* log;
    std::function<void(int)> onChange;
};

std::vector<ParameterDefinition> Table(int rows) {
    std::vector<ParameterDefinition> table(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        ParameterDefinition& row = table[static_cast<size_t>(i)];
        row.id = i;
        std::snprintf(row.name, sizeof row.name, "Param %d", i);
        row.min = 0;
        row.max = 10;
        row.defaultValue = static_cast<float>(i % 11);
        row.unit = kUnitNone;
        row.law = kLawLinear;
    }
    return table;
}

class PluginTest : public ::testing::Test {
  protected:
    PluginTest()
        : table(Table(8)), plugin(table.data(), table.size()), host(&log), a("a", &log),
          b("b", &log), c("c", &log) {}

    std::vector<ParameterDefinition> table;
    Plugin plugin;
    Log log;
    RecordingHost host;
    RecordingObserver a, b, c;
};

TEST_F(PluginTest, ControlChangeTellsHostFirstThenObserversInOrder) {
    plugin.SetPluginInterface(&host);
    plugin.observers.push_back(&a);
    plugin.observers.push_back(&b);
    plugin.NotifyParameterHasChanged(3, true);
    EXPECT_EQ(log, (Log{"host:3", "a:3", "b:3"}));
}

TEST_F(PluginTest, HostChangesReachOnlyTheObservers) {
    plugin.SetPluginInterface(&host);
    plugin.observers.push_back(&a);
    plugin.HostHasChangedParameter(3, 1.7f);
    plugin.HostHasChangedParameterUnnormalised(4, 20);
    EXPECT_EQ(log, (Log{"a:3", "a:4"}));
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(3), 1.7f);  // stored unclamped
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(4), 1.0f);  // clamped by the law
}

TEST_F(PluginTest, OutOfRangeIndicesAreQuiet) {
    plugin.observers.push_back(&a);
    for (int index : {-1, 8, 1000, -2147483647 - 1}) {
        EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(index), 0.0f);
        EXPECT_FLOAT_EQ(plugin.HostWantsParameterValueUnnormalised(index), 0.0f);
        plugin.HostHasChangedParameter(index, 0.5f);
        plugin.HostHasChangedParameterUnnormalised(index, 0.5f);
        char buf[4] = "xyz";
        plugin.GetParameterName(index, buf, sizeof buf);
        EXPECT_STREQ(buf, "xyz");
    }
    EXPECT_TRUE(log.empty());
    // NotifyParameterHasChanged passes any index on untested.
    plugin.NotifyParameterHasChanged(99, true);
    EXPECT_EQ(log, (Log{"a:99"}));
}

TEST_F(PluginTest, ParameterNameIsABoundedCopy) {
    std::strcpy(table[5].name, "Outputs 1&2 Level Dim");
    char buf[12];
    std::memset(buf, '#', sizeof buf);
    plugin.GetParameterName(5, buf, 8);
    EXPECT_EQ(std::string(buf, 9), std::string("Outputs ") + "#");  // no terminator

    std::memset(buf, '#', sizeof buf);
    plugin.GetParameterName(1, buf, 10);
    EXPECT_EQ(std::string(buf, 11), std::string("Param 1\0\0\0#", 11));  // padded with NUL

    std::memset(table[6].name, 'n', sizeof table[6].name);  // unterminated row name
    char wide[100];
    std::memset(wide, '#', sizeof wide);
    plugin.GetParameterName(6, wide, 80);
    EXPECT_EQ(std::string(wide, 64), std::string(64, 'n'));
    EXPECT_EQ(wide[64], '\0');
    EXPECT_EQ(wide[79], '\0');
    EXPECT_EQ(wide[80], '#');
}

TEST_F(PluginTest, ObserverRemovingItselfIsCalledThisPassOnly) {
    plugin.observers = {&a, &b};
    a.onChange = [&](int) { plugin.RemoveParameterObserver(&a); };
    plugin.NotifyParameterObservers(1);
    plugin.NotifyParameterObservers(2);
    EXPECT_EQ(log, (Log{"a:1", "b:1", "b:2"}));
    EXPECT_EQ(plugin.observers, (std::vector<Plugin::ParameterObserver*>{&b}));
}

TEST_F(PluginTest, ObserverRemovedByAnEarlierOneIsSkipped) {
    plugin.observers = {&a, &b, &c};
    a.onChange = [&](int) { plugin.RemoveParameterObserver(&b); };
    plugin.NotifyParameterObservers(1);
    EXPECT_EQ(log, (Log{"a:1", "c:1"}));
}

TEST_F(PluginTest, AdjacentRemovalsInOnePassBothDisappear) {
    plugin.observers = {&a, &b, &c};
    c.onChange = [&](int) {
        plugin.RemoveParameterObserver(&a);
        plugin.RemoveParameterObserver(&b);
    };
    plugin.NotifyParameterObservers(1);
    EXPECT_EQ(plugin.observers, (std::vector<Plugin::ParameterObserver*>{&c}));
}

TEST_F(PluginTest, ObserverAppendedDuringAPassWaitsForTheNext) {
    plugin.observers = {&a};
    a.onChange = [&](int) {
        if (plugin.observers.size() < 2) plugin.observers.push_back(&b);
    };
    plugin.NotifyParameterObservers(1);
    plugin.NotifyParameterObservers(2);
    EXPECT_EQ(log, (Log{"a:1", "a:2", "b:2"}));
}

TEST_F(PluginTest, NestedPassRunsToCompletionAndCompactsOnlyAfterTheOuterPass) {
    plugin.observers = {&a, &b, &c};
    std::vector<size_t> sizesSeenInside;
    a.onChange = [&](int index) {
        if (index != 1) return;
        plugin.RemoveParameterObserver(&a);
        plugin.HostHasChangedParameter(2, 0.25f);  // starts an inner pass
        sizesSeenInside.push_back(plugin.observers.size());
    };
    plugin.NotifyParameterObservers(1);
    // Inner pass for 2 reaches b and c before the outer pass goes on to b for 1; a, removed
    // before the inner pass, is not called for 2.
    EXPECT_EQ(log, (Log{"a:1", "b:2", "c:2", "b:1", "c:1"}));
    EXPECT_EQ(sizesSeenInside, (std::vector<size_t>{3}));  // the NULL entry stayed put
    EXPECT_EQ(plugin.observers, (std::vector<Plugin::ParameterObserver*>{&b, &c}));
    EXPECT_EQ(plugin.depth, 0);
}

TEST_F(PluginTest, HostMayChangeAnotherParameterBeforeTheObserversHearTheFirst) {
    plugin.SetPluginInterface(&host);
    plugin.observers = {&a};
    host.onChange = [&](int index) {
        if (index == 5) plugin.NotifyParameterHasChanged(6, true);
    };
    plugin.NotifyParameterHasChanged(5, true);
    EXPECT_EQ(log, (Log{"host:5", "host:6", "a:6", "a:5"}));
}

TEST(PluginWithoutTable, HasNoParametersAndAnswersZero) {
    Plugin plugin(nullptr, 5);
    EXPECT_EQ(plugin.count, 0u);
    EXPECT_FLOAT_EQ(plugin.HostWantsParameterValue(0), 0.0f);
    plugin.HostHasChangedParameter(0, 1.0f);
}

TEST(PluginAudio, CopiesEachChannelWithItsStrides) {
    Plugin plugin(nullptr, 0);
    float in0[6] = {1, 2, 3, 4, 5, 6};
    float in1[6] = {7, 8, 9, 10, 11, 12};
    float out0[3] = {};
    float out1[6] = {};
    float* in[] = {in0, in1};
    float* out[] = {out0, out1};
    plugin.ProcessAudio(in, 2, 2, 3, out, 1, 0);
    EXPECT_EQ(std::vector<float>(out0, out0 + 3), (std::vector<float>{1, 3, 5}));
    EXPECT_EQ(std::vector<float>(out1, out1 + 3), (std::vector<float>{7, 9, 11}));

    plugin.ProcessAudio(in, 1, 2, -4, out, 1, 0);  // negative frame count: nothing
    plugin.ProcessAudio(nullptr, 1, 2, 3, out, 1, 0);
    EXPECT_EQ(out0[0], 1);
}

}  // namespace
