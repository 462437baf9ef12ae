#pragma once
// The five panels of the control panel, each a PluginGUI over the device plug-in built from
// one built-in skin table. The four device panels share MirovanGUI, through which the main
// window hands them the device's meter levels on every timer tick; the connection-lost
// panel is a single picture and has no meters.

#include "device/MeterData.h"
#include "device/MirovanPlugin.h"
#include "views/PluginGUI.h"

// One meter of a panel: which of MeterData's levels feeds the flPPM of which row.
struct MeterFeed {
    int level;
    ViewID row;
};

class MirovanGUI : public PluginGUI {
  public:
    MirovanGUI(MirovanPlugin* plugin, const ViewDefinition* table, ViewID rows);
    ~MirovanGUI() override;

    // Gives each meter of the panel its level; the meters draw on the panel's next tick.
    virtual void UpdateMeters(MeterData const* meters);

  protected:
    // SetLevel on the meter of each feed, in order. A row that is not a meter is skipped.
    void FeedMeters(MeterData const* meters, const MeterFeed* feeds, int count);
};

// 44.1 and 48 kHz.
class MirovanNormalGUI : public MirovanGUI {
  public:
    explicit MirovanNormalGUI(MirovanPlugin* plugin);
    ~MirovanNormalGUI() override;
    void UpdateMeters(MeterData const* meters) override;
};

// "Shrink Mode": the outputs only.
class MirovanShrinkGUI : public MirovanGUI {
  public:
    explicit MirovanShrinkGUI(MirovanPlugin* plugin);
    ~MirovanShrinkGUI() override;
    void UpdateMeters(MeterData const* meters) override;
};

// 88.2 and 96 kHz.
class Mirovan96kGUI : public MirovanGUI {
  public:
    explicit Mirovan96kGUI(MirovanPlugin* plugin);
    ~Mirovan96kGUI() override;
    void UpdateMeters(MeterData const* meters) override;
};

// While AC3 passthrough is on; it has no meters.
class MirovanAC3GUI : public MirovanGUI {
  public:
    explicit MirovanAC3GUI(MirovanPlugin* plugin);
    ~MirovanAC3GUI() override;
    void UpdateMeters(MeterData const* meters) override;
};

// The "FireWire Connection Lost" window's picture.
class ConnectionLostGUI : public PluginGUI {
  public:
    explicit ConnectionLostGUI(MirovanPlugin* plugin);
    ~ConnectionLostGUI() override;
};

// The meter maps of the device panels, in call order (exposed for checks).
extern const MeterFeed kNormalMeterFeeds[18];
extern const MeterFeed kShrinkMeterFeeds[4];
extern const MeterFeed k96kMeterFeeds[14];
