#pragma once
// A top-level window that hosts one panel: it lends the panel its drawing surface, drives
// it with a 100 ms timer and with idle events, passes paint, left-button clicks and pointer
// moves to it, and shows the tool tip of the view under the pointer. The "FireWire
// Connection Lost" window is one of these; the main windows derive from it.
//
// The panel is shown in a child window that fills the frame's client area: under GTK a paint
// of the frame itself is handed the whole window as its update region, while a child window
// is handed just what was invalidated, so only the changed parts are copied to the screen.

#include <wx/frame.h>
#include <wx/timer.h>
#include <memory>

class GUI;
class PluginGUI;
class View;
class WindowSurface;

class wxPluginGUIFrame : public wxFrame {
  public:
    wxPluginGUIFrame(wxWindow* parent, int id, const wxString& title, long style,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    ~wxPluginGUIFrame() override;

    bool Show(bool show = true) override;
    void Raise() override;

    // Hosts p (NULL hosts nothing). The old panel's surface is detached first.
    virtual void SetPluginGUI(PluginGUI* p);
    virtual PluginGUI* GetPluginGUI();
    // Sizes the window to the hosted panel and attaches the panel to this window's surface.
    virtual void AttachGUI();
    // Runs on every tick after the device step.
    virtual void CustomOnTick();

    void MouseOverCallback(View* v);

    // Event handlers; public so the main windows' event table can name them.
    void OnIdle(wxIdleEvent& event);
    void OnClick(wxMouseEvent& event);
    void OnMove(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnTick(wxTimerEvent& event);
    void OnSetFocus(wxFocusEvent& event);
    void OnKillFocus(wxFocusEvent& event);

  protected:
    // One idle pass of the hosted panel, drawing what changed.
    void IdlePanel();

    PluginGUI* panel = nullptr;
    wxWindow* canvas = nullptr;  // the child window the panel is shown in; owned by the frame
    std::unique_ptr<WindowSurface> window;  // this window's back buffer, pointer and buttons
    GUI* surface = nullptr;                 // owned
    wxTimer* timer = nullptr;               // owned

    // The back buffer holds nothing of the panel yet (new panel or new window size): the
    // next paint draws the whole panel into it first.
    bool backBufferStale = true;
    wxSize drawnSize;

    static constexpr int kTimerId = 1;
    static constexpr int kTickMilliseconds = 100;

    wxDECLARE_EVENT_TABLE();
};
