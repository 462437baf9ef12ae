#include "app/wx/MainFrame.h"

#include <wx/msgdlg.h>

#include "app/AppInfo.h"
#include "app/DevicePanels.h"
#include "app/PanelChoice.h"
#include "app/ParameterIndex.h"
#include "device/MirovanHAL.h"
#include "platform/wx/Launcher.h"
#include "platform/wx/WindowOwner.h"
#include "views/PPlugIn.h"

// Entries not listed here (paint, the mouse, context menu, focus lost) reach the host
// window's own handlers.
wxBEGIN_EVENT_TABLE(MyFrame, wxPluginGUIFrame)
    EVT_MENU(kMenuAbout, MyFrame::OnAbout)
    EVT_MENU(kMenuOnlineSupport, MyFrame::OnLaunchURL)
    EVT_MENU(kMenuUpdates, MyFrame::OnLaunchURL)
    EVT_MENU(kMenuUseMetering, MyFrame::OnMeters)
    EVT_IDLE(wxPluginGUIFrame::OnIdle)
    EVT_SET_FOCUS(MyFrame::OnSetFocus)
    EVT_CLOSE(MyFrame::OnClose)
    EVT_TIMER(wxID_ANY, MyFrame::OnTick)
wxEND_EVENT_TABLE()

MyFrame::MyFrame(PPlugIn* wrapper, MirovanNormalGUI* normal, Mirovan96kGUI* p96k,
                 MirovanShrinkGUI* compact, MirovanAC3GUI* ac3, long style, MyFrame* twin)
    : wxPluginGUIFrame(nullptr, 0, " MirovanControl LE", style), normalPanel(normal),
      panel96k(p96k), shrinkPanel(compact), ac3Panel(ac3), wrapper(wrapper) {
    helpMenu = new wxMenu;
    helpMenu->Append(kMenuAbout, "&About MirovanControl LE\tF1", "");
    helpMenu->Append(kMenuOnlineSupport, "Online support", "");
    helpMenu->Append(kMenuUpdates, "Updates && downloads", "");
    helpMenu->AppendSeparator();
    helpMenu->AppendCheckItem(kMenuUseMetering, "Use Metering", "");
    wxMenuBar* bar = new wxMenuBar;
    bar->Append(helpMenu, "Help");
    SetMenuBar(bar);

    SortGUI(false);
    SetPluginGUI(currentPanel);

    // The floating window stays above others through its wxSTAY_ON_TOP style.
    if (twin) {
        this->twin = twin;
        twin->twin = this;
    }
}

MyFrame::~MyFrame() {
    DeActivate();
    wrapper = nullptr;
    if (twin) {
        MyFrame* other = twin;
        other->twin = nullptr;
        twin = nullptr;
        // Closing either main window removes both.
        if (!other->IsBeingDeleted()) other->Destroy();
    }
}

void MyFrame::SortGUI(bool activate) {
    MirovanGUI* choice = normalPanel;
    switch (ChoosePanel(MirovanHAL::Get()->GetAC3(),
                        wrapper->HostWantsParameterValue(param::kShrinkMode),
                        wrapper->HostWantsParameterValueUnnormalised(param::kSampleRate))) {
        case PanelKind::AC3: choice = ac3Panel; break;
        case PanelKind::Compact: choice = shrinkPanel; break;
        case PanelKind::HighRate: choice = panel96k; break;
        case PanelKind::Normal: choice = normalPanel; break;
    }

    if (choice != currentPanel) {
        DeActivate();
        currentPanel = choice;
        if (twin) twin->currentPanel = choice;
        if (activate) Activate();
    }
    CheckMeteringItem();
}

void MyFrame::CheckMeteringItem() {
    if (helpMenu && wrapper)
        helpMenu->Check(kMenuUseMetering,
                        wrapper->HostWantsParameterValue(param::kUseMetering) > 0.0f);
}

void MyFrame::Activate() {
    if (!currentPanel) return;
    int width = 0, height = 0;
    currentPanel->GetSize(width, height);
    if (twin) twin->SetClientSize(width, height);
    SetPluginGUI(currentPanel);
    currentPanel->plugin->observers.push_back(this);
    // The menu may have been out of step while this window was hidden.
    CheckMeteringItem();
}

void MyFrame::DeActivate() {
    if (currentPanel) {
        currentPanel->plugin->RemoveParameterObserver(this);
        currentPanel->SetGUI(nullptr);
    }
    SetPluginGUI(nullptr);
}

void MyFrame::NotifyParameterChanged(int index) {
    switch (index) {
        case param::kAllowAC3:
        case param::kSampleRate: SortGUI(true); break;
        case param::kFloatWindowMode: HandOverToTwin(); break;
        case param::kShrinkMode:
            if (wrapper->HostWantsParameterValue(param::kShrinkMode) != 0.0f) {
                wrapper->HostHasChangedParameter(param::kExpandMode, 0.0f);
                SortGUI(true);
            }
            break;
        case param::kExpandMode:
            if (wrapper->HostWantsParameterValue(param::kExpandMode) != 0.0f) {
                wrapper->HostHasChangedParameter(param::kShrinkMode, 0.0f);
                SortGUI(true);
            }
            break;
        case param::kUseMetering: CheckMeteringItem(); break;
        default: break;
    }
}

void PlaceInsteadOf(wxTopLevelWindow* to, wxTopLevelWindow* from) {
    // A window's position is the top-left corner of its outer frame, but its outer size
    // includes the frame only once the window manager has told the frame's extents, which it
    // does for shown windows only and clears when a window is hidden. The two main windows
    // carry the same menu bar and are framed alike, so the part of their outer heights that
    // is not client area is the same and drops out: the bottom edges meet when the top edges
    // differ by the difference of the client heights.
    to->SetClientSize(from->GetClientSize());
    const wxPoint position = from->GetPosition();
    const wxPoint target(position.x, position.y + (from->GetClientSize().GetHeight() -
                                                   to->GetClientSize().GetHeight()));
    // The toolkit skips a move to the position it last knew, but a window shown for the
    // first time is placed by the window manager wherever it likes: step aside first, so
    // that the move is made.
    if (to->GetPosition() == target) to->Move(target.x + 1, target.y);
    to->Move(target);
}

namespace {

// The windows that float on either window (the connection-lost window, a child of the normal
// main window) float on "shown": kept above a hidden window, a window manager may stack them
// under the shown one.
void FloatChildrenOn(wxTopLevelWindow* shown, wxTopLevelWindow* other) {
    for (wxTopLevelWindow* owner : {shown, other}) {
        for (wxWindow* child : owner->GetChildren()) {
            if (child->IsTopLevel() && child->HasFlag(wxFRAME_FLOAT_ON_PARENT))
                platform::FloatOn(static_cast<wxTopLevelWindow*>(child), shown);
        }
    }
}

}  // namespace

void ShowInsteadOf(wxTopLevelWindow* to, wxTopLevelWindow* from) {
    // The windows floating on either take "to" as their owner before it is shown, and once
    // more when it is: window managers look at the owner at different times.
    FloatChildrenOn(to, from);
    // Placed once shown: a window that was shown before comes back where it was hidden,
    // whatever position it was given while hidden.
    to->Show();
    PlaceInsteadOf(to, from);
    from->Hide();
    FloatChildrenOn(to, from);
}

void MyFrame::HandOverToTwin() {
    if (!twin) return;
    MyFrame* other = twin;
    DeActivate();
    ShowInsteadOf(other, this);
    other->Activate();
}

void MyFrame::OnTick(wxTimerEvent& event) {
    if (currentPanel) currentPanel->UpdateMeters(MirovanHAL::Get()->GetMeterData());
    wxPluginGUIFrame::OnTick(event);
}

void MyFrame::OnMeters(wxCommandEvent&) {
    const float v = wrapper->HostWantsParameterValue(param::kUseMetering);
    wrapper->HostHasChangedParameter(param::kUseMetering, 1.0f - v);
    CheckMeteringItem();
}

void MyFrame::OnLaunchURL(wxCommandEvent& event) {
    const char* page = nullptr;
    if (event.GetId() == kMenuOnlineSupport)
        page = kSupportPage;
    else if (event.GetId() == kMenuUpdates)
        page = kDownloadsPage;
    if (page) platform::OpenWebPage(std::string(kWebSite) + page);
}

void MyFrame::OnAbout(wxCommandEvent&) {
    wxString text =
        wxString::Format("MirovanControl LE Version %s  (build %s)\n\n", VERSION, WCREV);
    int build = 0, major = 0, minor = 0;
    if (MirovanHAL::Get()->GetBcdVersion(&build, &major, &minor))
        text +=
            wxString::Format("MirovanLE firmware Version %d.%d  (build %d)\n", major, minor, build);
    else
        text += "No MirovanLE connected\n";
    wxMessageBox(text, "MirovanControl LE", wxOK | wxICON_INFORMATION, this);
}

void MyFrame::OnClose(wxCloseEvent&) {
    Destroy();
}

void MyFrame::OnSetFocus(wxFocusEvent&) {}
