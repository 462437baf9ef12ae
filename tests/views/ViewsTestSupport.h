#pragma once
// Shared helpers of the view toolkit's tests: BMP data written in memory, archive entries put
// into the program's resource archive, small parameter tables and skin rows, and a host that
// records what it hears.

#include <memory>
#include <string>
#include <vector>

#include "core/PPluginInterface.h"
#include "core/ParameterDefinition.h"
#include "core/Plugin.h"
#include "tests/views/ScriptedWindow.h"
#include "views/Bitmap.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/View.h"
#include "views/ViewDefinition.h"

namespace testing_views {

// A 24-bit bottom-up BMP of the given pixels (0x00RRGGBB, row 0 at the top).
std::vector<unsigned char> MakeBmp24(int width, int height, const std::vector<long>& pixels);

// A bitmap filled with one colour.
Bitmap* MakeFilled(int width, int height, long colour);

// Adds (or replaces) an element of the global archive; ClearResources empties it.
void AddResource(const std::string& name, const std::vector<unsigned char>& data);
void ClearResources();

// The standard view types, registered once for the whole test program.
void EnsureStandardTypesRegistered();

// A skin row. Parameters lists the slots' parameter indices (the -1 is added).
ViewDefinition Row(ViewID id, PRect rect, const char* type, int parent, const char* initText,
                   std::vector<int> parameters = {}, bool hidden = false);

// A linear 0..1 parameter table of n rows named "Param k", defaults 0.25.
std::vector<ParameterDefinition> LinearTable(int n);

// Records every event it hears, tagged with who heard it.
struct EventLog {
    std::vector<std::string> events;
};

class RecordingHost : public PPluginInterface {
  public:
    explicit RecordingHost(EventLog* log) : log(log) {}
    float GetSampleRate() override { return rate; }
    void ParameterHasChanged(int index) override {
        log->events.push_back("host " + std::to_string(index));
    }
    EventLog* log;
    float rate = 48000.0f;
};

class RecordingObserver : public Plugin::ParameterObserver {
  public:
    RecordingObserver(EventLog* log, std::string name) : log(log), name(std::move(name)) {}
    void NotifyParameterChanged(int index) override {
        log->events.push_back(name + " " + std::to_string(index));
    }
    EventLog* log;
    std::string name;
};

// A view that counts what reaches it.
class ProbeView : public View {
  public:
    ProbeView(const ViewDefinition* row, PluginGUI* owner) : View(row, owner) {}
    void mouse(int x, int y, int, bool down, GUI*) override {
        presses += down ? 1 : 0;
        releases += down ? 0 : 1;
        lastX = x;
        lastY = y;
        if (down && startsDrag) dragging = true;
    }
    void notify(int slot) override {
        notified.push_back(slot);
        redraw();
    }
    void DoDrag(GUI*) override { ++drags; }
    void EndDrag(GUI*) override {
        ++ends;
        if (endClearsDrag) dragging = false;
    }
    void draw(GUI* gui) override {
        ++draws;
        View::draw(gui);
    }
    void key(int ch, int code, GUI* gui) override {
        keys.push_back(ch);
        View::key(ch, code, gui);
    }
    void tick(GUI* gui) override {
        ++ticks;
        View::tick(gui);
    }

    int presses = 0, releases = 0, lastX = -1, lastY = -1;
    int drags = 0, ends = 0, draws = 0, ticks = 0;
    bool startsDrag = true;
    bool endClearsDrag = false;
    std::vector<int> notified;
    std::vector<int> keys;
};

// A plug-in over a small linear table, a panel built from the given rows and a scripted window
// lent to it. Rows must outlive the panel, so the panel keeps its own copy.
struct TestPanel {
    TestPanel(std::vector<ViewDefinition> rowsIn, int parameters = 8, int width = 200,
              int height = 100)
        : table(LinearTable(parameters)), plugin(table.data(), table.size()),
          rows(std::move(rowsIn)), window(width, height), surface(&window) {
        EnsureStandardTypesRegistered();
        panel = std::make_unique<PluginGUI>(&plugin, rows.data(), static_cast<int>(rows.size()));
        panel->SetGUI(&surface);
    }
    ~TestPanel() {
        // The surface is lent, not given.
        if (panel) panel->SetGUI(nullptr);
    }

    template <class T>
    T* ViewAt(ViewID id) {
        return dynamic_cast<T*>(panel->views.at(id));
    }

    // One click as the host window delivers it: a press, the idle pass, a release and the
    // idle pass after it.
    void Click(int x, int y) {
        window.Press(x, y);
        panel->mouse(x, y, 0, 1);
        panel->idle();
        window.Release();
        panel->mouse(x, y, 0, 0);
        panel->idle();
    }

    std::vector<ParameterDefinition> table;
    Plugin plugin;
    std::vector<ViewDefinition> rows;
    ScriptedWindow window;
    GUI surface;
    std::unique_ptr<PluginGUI> panel;
};

}  // namespace testing_views
