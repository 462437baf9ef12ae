#include "app/wx/PanelHostFrame.h"

#include <wx/dcclient.h>
#include <wx/tooltip.h>

#include "app/wx/TimersInStep.h"
#include "device/MirovanHAL.h"
#include "platform/wx/WindowSurface.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"
#include "views/View.h"

// No handler passes its event on, so the frame's default handling of these does not run.
// Paint and the mouse reach the frame's handlers from the canvas (see the constructor).
wxBEGIN_EVENT_TABLE(wxPluginGUIFrame, wxFrame)
    EVT_IDLE(wxPluginGUIFrame::OnIdle)
    EVT_CLOSE(wxPluginGUIFrame::OnClose)
    EVT_CONTEXT_MENU(wxPluginGUIFrame::OnContextMenu)
    EVT_TIMER(wxID_ANY, wxPluginGUIFrame::OnTick)
    EVT_SET_FOCUS(wxPluginGUIFrame::OnSetFocus)
    EVT_KILL_FOCUS(wxPluginGUIFrame::OnKillFocus)
wxEND_EVENT_TABLE()

wxPluginGUIFrame::wxPluginGUIFrame(wxWindow* parent, int id, const wxString& title, long style,
                                   const wxPoint& pos, const wxSize& size)
    : wxFrame(parent, id, title, pos, size, style) {
    // The panel paints every pixel of the canvas from its back buffer. As the frame's only
    // child, the canvas is kept the size of the client area by the frame.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    canvas = new wxWindow(this, wxID_ANY);
    canvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
    canvas->Bind(wxEVT_PAINT, &wxPluginGUIFrame::OnPaint, this);
    canvas->Bind(wxEVT_LEFT_DOWN, &wxPluginGUIFrame::OnClick, this);
    canvas->Bind(wxEVT_LEFT_UP, &wxPluginGUIFrame::OnClick, this);
    canvas->Bind(wxEVT_LEFT_DCLICK, &wxPluginGUIFrame::OnClick, this);
    canvas->Bind(wxEVT_MOTION, &wxPluginGUIFrame::OnMove, this);
    timer = new wxTimer(this, kTimerId);
    TimersInStep::Start(timer, kTickMilliseconds);
    window = std::make_unique<WindowSurface>(canvas);
    surface = new GUI(window.get());
}

wxPluginGUIFrame::~wxPluginGUIFrame() {
    TimersInStep::Forget(timer);
    timer->Stop();
    if (panel) panel->SetGUI(nullptr);
    delete timer;
    delete surface;
}

bool wxPluginGUIFrame::Show(bool show) {
    return wxFrame::Show(show);
}

void wxPluginGUIFrame::Raise() {
    wxFrame::Raise();
}

void wxPluginGUIFrame::SetPluginGUI(PluginGUI* p) {
    if (panel) {
        panel->SetGUI(nullptr);
        // The tip is that of a view of the panel going away, which can clear it no more: left,
        // it would stay over whatever panel comes under the pointer.
        canvas->SetToolTip(wxString());
    } else {
        wxToolTip::Enable(false);
    }
    panel = p;
    AttachGUI();
}

PluginGUI* wxPluginGUIFrame::GetPluginGUI() {
    return panel;
}

void wxPluginGUIFrame::AttachGUI() {
    backBufferStale = true;
    if (!panel) {
        canvas->Refresh(false);
        return;
    }
    int width = 0, height = 0;
    panel->GetSize(width, height);
    SetClientSize(width, height);
    // Sized now rather than at the frame's next size event, so the back buffer gets the
    // panel's size at once.
    canvas->SetSize(0, 0, width, height);
    panel->SetGUI(surface);
    panel->SetViewOffset(0, 0);
    if (!canvas->GetToolTip()) canvas->SetToolTip(wxString());
    panel->SetMouseoverCallback(this, &wxPluginGUIFrame::MouseOverCallback);
    wxToolTip::Enable(true);
    canvas->Refresh(false);
}

void wxPluginGUIFrame::CustomOnTick() {}

void wxPluginGUIFrame::MouseOverCallback(View* v) {
    if (v->mouseOver) {
        char text[256] = "";
        v->GetTooltip(text, sizeof text);
        canvas->SetToolTip(wxString::FromUTF8(text));
        wxToolTip::Enable(true);
    } else {
        wxToolTip::Enable(false);
        canvas->SetToolTip(wxString());
    }
}

void wxPluginGUIFrame::IdlePanel() {
    if (panel) panel->idle();
    if (panel && panel->NeedsRedraw()) panel->draw();
}

void wxPluginGUIFrame::OnIdle(wxIdleEvent&) {
    IdlePanel();
}

void wxPluginGUIFrame::OnTick(wxTimerEvent&) {
    TimersInStep::Ticked();
    MirovanHAL::Get()->StepAVC();
    CustomOnTick();
    IdlePanel();
    if (panel) panel->tick();
}

void wxPluginGUIFrame::OnPaint(wxPaintEvent&) {
    if (panel && panel->gui) {
        // A fresh back buffer is black: the whole panel goes into it before it is shown.
        // Later paints only show what the idle and tick passes drew.
        if (backBufferStale || canvas->GetClientSize() != drawnSize) {
            backBufferStale = false;
            drawnSize = canvas->GetClientSize();
            if (!panel->views.empty() && panel->views[0]) panel->views[0]->RedrawAll();
            panel->draw();
        }
        if (window->Paint()) return;
    }
    wxPaintDC dc(canvas);
    dc.SetBackground(GetBackgroundColour());
    dc.Clear();
}

void wxPluginGUIFrame::OnClick(wxMouseEvent& event) {
    if (!panel || !panel->gui) return;
    int x = 0, y = 0;
    panel->gui->GetMousePos(&x, &y);
    const bool down = event.LeftDown() || event.LeftDClick();
    panel->mouse(x, y, 0, down ? 1 : 0);
}

void wxPluginGUIFrame::OnMove(wxMouseEvent&) {
    if (!panel || !panel->gui || panel->gui->MouseIsDown()) return;
    int x = 0, y = 0;
    panel->gui->GetMousePos(&x, &y);
    panel->mousemove(x, y);
}

void wxPluginGUIFrame::OnClose(wxCloseEvent& event) {
    if (event.CanVeto()) {
        event.Veto();
        Show(false);
    }
}

void wxPluginGUIFrame::OnContextMenu(wxContextMenuEvent&) {}

void wxPluginGUIFrame::OnSetFocus(wxFocusEvent&) {}

void wxPluginGUIFrame::OnKillFocus(wxFocusEvent&) {}
