#pragma once
// One panel: the tree of views built from one skin table and bound to the parameters of one
// plug-in. It builds and owns the tree, observes the plug-in and turns every parameter change
// into notify(slot) on the views bound to it, is the gateway through which controls read and
// change parameters (naming themselves by ViewID and slot), brackets every entry into the tree
// with the surface's redraw, and keeps the bitmap cache shared by all panels.

#include <string>
#include <vector>

#include "core/Plugin.h"
#include "views/Bitmap.h"
#include "views/GUI.h"
#include "views/View.h"
#include "views/ViewDefinition.h"
#include "views/WindowPort.h"

class PluginGUI : public Plugin::ParameterObserver {
  public:
    // One binding between a control and a parameter: the view's row and the slot in the row's
    // related-parameter list.
    struct RelatedParameter {
        int row;
        int slot;
    };

    // A bitmap of the shared cache, decoded from the archive and known by its name.
    class NamedBitmap : public Bitmap {
      public:
        NamedBitmap(const void* data, long len);
        ~NamedBitmap() override;

        std::string name;
    };

    // Builds one view per row through the registry (an unknown type name stops the program),
    // binds the slots and registers the panel as an observer of the plug-in.
    PluginGUI(Plugin* plugin, const ViewDefinition* table, int rows);
    // Unregisters, deletes the tree and the surface it holds; the last panel empties the cache.
    ~PluginGUI() override;

    PluginGUI(const PluginGUI&) = delete;
    PluginGUI& operator=(const PluginGUI&) = delete;

    // notify(slot) on every view bound to the parameter, in row then slot order.
    void NotifyParameterChanged(int index) override;
    // NotifyParameterChanged for every parameter, so every bound view reloads its state.
    void Refresh();

    // Lends a surface (NULL detaches); the previous one is not deleted. Refreshes.
    void SetGUI(GUI* surface);
    // Deletes the held surface and makes a new one on the window. Refreshes.
    void CreateGUI(WindowPort* window);
    // Size of row 0's rectangle.
    void GetSize(int& width, int& height);
    // Puts the tree at its table position shifted by (x, y).
    void SetViewOffset(int x, int y);

    // Entries from the host window; each does nothing without a tree or a surface.
    void draw();
    // With Alt held a press or release is an alt-click (reset to defaults).
    void mouse(int x, int y, int button, int down);
    void mousemove(int x, int y);
    void key(int ch, int code);
    void idle();
    void tick();
    // Whether the visible tree has a view marked for redraw; needs no surface.
    bool NeedsRedraw();

    // Control calls, by the control's id and slot. An id or slot without a parameter does
    // nothing; reads give 0 and a text read leaves buf unchanged. A change tells the host first
    // and then every observer, so it comes back as notify(slot) to every bound view of every
    // panel, the reporting control included.
    float GetControlNormalisedValue(ViewID id, int slot);
    float GetControlUnnormalisedValue(ViewID id, int slot);
    // Writes at most len characters and the NUL: buf holds len + 1 bytes.
    void GetControlText(ViewID id, int slot, char* buf, int len);
    void ControlHasChangedNormalisedValue(ViewID id, int slot, float value);
    void ControlHasChangedUnnormalisedValue(ViewID id, int slot, float value);
    void ControlHasChangedText(ViewID id, int slot, const char* text);
    void ResetControlToDefault(ViewID id, int slot);
    // Resets every slot of the view that ShouldResetParameter allows, each notified separately.
    void ResetControlsToDefaults(ViewID id);

    // The cached bitmap of the archive element of that name (a name ends at its first byte
    // below 32, so an init-text line may be passed as it is); decoded once for all panels.
    // NULL when the archive has no such element. Never delete the result.
    static NamedBitmap* GetBitmap(const char* name);
    // The bytes of the archive element of that name and their count; NULL and 0 without one.
    static const unsigned char* GetResourceDataByName(const char* name, int* len);

    // Installs the mouse-over callback on every view of the panel.
    template <class T>
    void SetMouseoverCallback(T* host, void (T::*function)(View*)) {
        for (View* v : views) {
            if (v) v->SetMouseoverCallback(host, function);
        }
    }

    // The view of row id, NULL outside the table.
    View* GetView(ViewID id) const { return id < views.size() ? views[id] : nullptr; }

    static int instanceCount;
    static std::vector<NamedBitmap*> bitmaps;

    Plugin* plugin;
    GUI* gui;
    // views[k] is the view of row k; views[0] is the root, owning the tree.
    std::vector<View*> views;
    // related[i] holds the bindings of parameter i.
    std::vector<std::vector<RelatedParameter>> related;
    const ViewDefinition* table;
    unsigned int rows;

  private:
    // The parameter bound to (id, slot), NULL when there is none.
    Parameter* BoundParameter(ViewID id, int slot, int* index);
    View* Root() const { return views.empty() ? nullptr : views[0]; }
};
