#pragma once
// A main window of the control panel. Two exist, linked as twins: a floating one that stays
// above other windows and a normal one; exactly one is shown. The shown one observes the
// plug-in, chooses which device panel it hosts, feeds the panel's meters on every tick and
// carries the Help menu.

#include <wx/menu.h>

#include "app/wx/PanelHostFrame.h"
#include "core/Plugin.h"

class MirovanAC3GUI;
class Mirovan96kGUI;
class MirovanGUI;
class MirovanNormalGUI;
class MirovanShrinkGUI;
class PPlugIn;

// Menu ids, chosen clear of the toolkit's own.
enum MenuId : int {
    kMenuAbout = wxID_HIGHEST + 5013,
    kMenuOnlineSupport,
    kMenuUpdates,
    kMenuUseMetering,
};

class MyFrame : public wxPluginGUIFrame, public Plugin::ParameterObserver {
  public:
    MyFrame(PPlugIn* wrapper, MirovanNormalGUI* normal, Mirovan96kGUI* p96k,
            MirovanShrinkGUI* compact, MirovanAC3GUI* ac3, long style, MyFrame* twin);
    ~MyFrame() override;

    // Chooses the panel for the device state and the shrink and rate parameters; the twin
    // takes the same choice. With activate, a changed choice is hosted at once.
    void SortGUI(bool activate);
    // Hosts the chosen panel and observes the plug-in.
    void Activate();
    // Stops observing and hosts nothing.
    void DeActivate();

    void NotifyParameterChanged(int index) override;

    MyFrame* Twin() const { return twin; }

  private:
    void HandOverToTwin();
    void CheckMeteringItem();

    void OnTick(wxTimerEvent& event);
    void OnMeters(wxCommandEvent& event);
    void OnLaunchURL(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnSetFocus(wxFocusEvent& event);

    MyFrame* twin = nullptr;
    MirovanNormalGUI* normalPanel;
    Mirovan96kGUI* panel96k;
    MirovanShrinkGUI* shrinkPanel;
    MirovanAC3GUI* ac3Panel;
    MirovanGUI* currentPanel = nullptr;
    PPlugIn* wrapper;
    wxMenu* helpMenu = nullptr;

    wxDECLARE_EVENT_TABLE();
};

// Gives "to" the client size of "from" and moves it so that it takes the place of "from":
// the same left edge and the same bottom edge of the outer frame. Call it with "to" shown.
void PlaceInsteadOf(wxTopLevelWindow* to, wxTopLevelWindow* from);
// Shows "to" in the place of the shown "from" and hides "from"; the windows floating on
// either float on "to".
void ShowInsteadOf(wxTopLevelWindow* to, wxTopLevelWindow* from);
