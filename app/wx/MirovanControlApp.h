#pragma once
// The application object: builds every long-lived object in a fixed order at start and
// tears them down in a fixed order at exit; it is the host of the device plug-in (the
// parameter actions) and an observer of the device (events are queued and handled at idle).

#include <wx/app.h>
#include <wx/modalhook.h>
#include <wx/weakref.h>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/IdleHandler.h"
#include "app/MixFiles.h"
#include "app/ParameterActions.h"
#include "app/UserMessages.h"
#include "core/PPluginInterface.h"
#include "device/MirovanHAL.h"

class ConnectionLostGUI;
class Mirovan96kGUI;
class MirovanAC3GUI;
class MirovanNormalGUI;
class MirovanPlugin;
class MirovanShrinkGUI;
class MyFrame;
class PPlugIn;
class SingleCopy;
class wxPluginGUIFrame;
namespace platform {
class DeviceBus;
class DocumentReceiver;
class SleepNotifier;
}  // namespace platform

// Error boxes through the toolkit.
class MessageBoxes : public UserMessages {
  public:
    void ShowError(const std::string& text) override;
};

// Counts the modal dialogs that are open, and says when the last one has closed. For a program
// that has to end, it ends them all.
class ModalDialogCount : public wxModalDialogHook {
  public:
    explicit ModalDialogCount(std::function<void()> allClosed) : allClosed(std::move(allClosed)) {}
    bool AnyOpen() const { return !open.empty(); }
    // Answers every open dialog with Cancel and refuses the dialogs opened from now on (a
    // refused message box writes its text on standard error). then runs once, at once when
    // no dialog is open, else from the toolkit's exit hook of the last one: inside its
    // ShowModal, before its caller has the answer, so then must not delete what that caller
    // may still use. allClosed runs no more.
    void EndAll(std::function<void()> then);

  protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

  private:
    std::function<void()> allClosed;
    std::function<void()> afterLast;
    std::vector<wxDialog*> open;
    bool ending = false;
};

class MirovanControlApp : public wxApp,
                          public PPluginInterface,
                          public MirovanHAL::Observer,
                          public ParameterActions::Dialogs,
                          public IdleHandler::Windows {
  public:
    MirovanControlApp();
    ~MirovanControlApp() override;

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    bool ProcessIdle() override;
    int OnRun() override;

    float GetSampleRate() override;
    void ParameterHasChanged(int index) override;
    void MirovanHALEvent(MirovanHAL::Event e) override;

    // Loads a mix file (path as the bytes of its name) with its messages, the shown main
    // window set aside meanwhile, and brings that window to the front.
    void OpenDocument(const std::string& path);
    // A document opened from the desktop, handed over by a second process: it is opened as
    // soon as start-up has finished and no dialog is open, or at exit.
    void QueueDocument(const std::string& path);

    void OnPowerSleep();

    // ParameterActions::Dialogs
    void LoadMixWithDialog() override;
    void SaveMixWithDialog() override;
    // IdleHandler::Windows
    void ShowConnectionLost(bool show) override;
    void FirmwareNeedsUpdate() override;
    void DeviceReopened() override;

  private:
    void OpenQueuedDocuments();
    void OpenDocumentsAtExit();
    void ConnectDeviceBus();
    void DisconnectDeviceBus();
    void LoadResources();
    void CreatePanels();
    void CreateWindows();
    void ShowChosenWindow();
    bool SaveDefaultSettings();
    MyFrame* ShownMainWindow() const;
    // A termination signal: open dialogs are cancelled, then the main window is closed.
    void EndOnSignal();
    void CloseOnSignal();

    MessageBoxes messages;
    std::unique_ptr<ParameterActions> actions;
    std::unique_ptr<IdleHandler> idle;
    std::unique_ptr<MixFiles> mixFiles;
    std::unique_ptr<platform::SleepNotifier> sleep;
    std::unique_ptr<SingleCopy> singleCopy;
    std::unique_ptr<platform::DocumentReceiver> documentReceiver;
    std::unique_ptr<ModalDialogCount> modalDialogs;
    std::deque<std::string> queuedDocuments;
    std::unique_ptr<platform::DeviceBus> bus;
    // Events raised by the first open, before the idle handler exists.
    std::vector<MirovanHAL::Event> pendingEvents;

    ConnectionLostGUI* connectionLostPanel = nullptr;
    wxWeakRef<wxPluginGUIFrame> connectionLostWindow;
    wxWeakRef<MyFrame> floatingFrame;
    wxWeakRef<MyFrame> normalFrame;
    MirovanPlugin* plugin = nullptr;
    MirovanNormalGUI* normalPanel = nullptr;
    Mirovan96kGUI* panel96k = nullptr;
    MirovanShrinkGUI* shrinkPanel = nullptr;
    MirovanAC3GUI* ac3Panel = nullptr;
    PPlugIn* wrapper = nullptr;
    bool initialised = false;
    bool exiting = false;
    bool inIdle = false;
    bool openingDocuments = false;
    // A termination signal has come: what would follow a cancelled dialog's answer is skipped.
    bool terminating = false;
};

wxDECLARE_APP(MirovanControlApp);
