#include "app/wx/MirovanControlApp.h"

#include <wx/cmdline.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/tooltip.h>
#include <wx/utils.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "app/AppInfo.h"
#include "app/DevicePanels.h"
#include "app/FileStore.h"
#include "app/MixFile.h"
#include "app/ParameterIndex.h"
#include "app/ProjectPlug.h"
#include "app/wx/MainFrame.h"
#include "app/wx/PanelHostFrame.h"
#include "app/wx/SingleCopy.h"
#include "core/Resource.h"
#include "device/DeviceMessage.h"
#include "device/MirovanPlugin.h"
#include "platform/DeviceBus.h"
#include "platform/RunLoop.h"
#include "platform/linux/LinuxBus.h"
#include "platform/sim/SimulatorClientBus.h"
#include "platform/wx/DocumentHandOver.h"
#include "platform/wx/FileDialogPath.h"
#include "platform/wx/FileNameText.h"
#include "platform/wx/Launcher.h"
#include "platform/wx/Paths.h"
#include "platform/wx/ReplaceQuestion.h"
#include "platform/wx/ShownDialogs.h"
#include "platform/wx/SleepNotifier.h"
#include "platform/wx/WindowOwner.h"
#include "views/PPlugIn.h"
#include "views/flButton.h"

namespace {

// The mix file to load at start: the default settings file unless the command line names one.
std::string sFileToLoad;
// Cleared only when a second copy is refused, so the refused copy writes nothing at exit.
bool savedefaultfile = true;
// Cleared when the command line names a file: its errors are then shown.
bool sSilenceLoadErrors = true;

constexpr long kFloatingStyle =
    wxCAPTION | wxSTAY_ON_TOP | wxCLOSE_BOX | wxSYSTEM_MENU | wxFRAME_TOOL_WINDOW;
constexpr long kNormalStyle = wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU | wxMINIMIZE_BOX;
constexpr long kConnectionLostStyle = wxCAPTION | wxFRAME_FLOAT_ON_PARENT | wxFRAME_TOOL_WINDOW;

// Rows of the in-use and lock indicators, which show state and take no clicks.
constexpr int kIndicatorRows[] = {3, 4};

void OnInitMakeDefaultFilename() {
    sFileToLoad = platform::DefaultSettingsPath();
}

void ShowDeviceMessageBox(const char* text) {
    wxMessageBox(wxString::FromUTF8(text), wxMessageBoxCaptionStr, wxOK | wxCENTRE);
}

void DisableIndicators(PluginGUI* panel) {
    for (int row : kIndicatorRows) {
        if (flButton* button = dynamic_cast<flButton*>(panel->GetView(row)))
            button->enabled = false;
    }
}

// The file named on the command line, which a second copy hands to the running one: the file
// to load whenever its errors are shown, as only the default settings file loads silently.
std::optional<std::string> FileNamed() {
    if (sSilenceLoadErrors) return std::nullopt;
    return sFileToLoad;
}

}  // namespace

void MessageBoxes::ShowError(const std::string& text) {
    // The texts are ASCII around the bytes of file names.
    wxMessageBox(platform::FileNameText(text), "Error", wxOK | wxICON_ERROR);
}

int ModalDialogCount::Enter(wxDialog* dialog) {
    if (ending) {
        // Nobody is left to answer it.
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog))
            std::fprintf(stderr, "%s\n", box->GetMessage().utf8_str().data());
        return wxID_CANCEL;
    }
    open.push_back(dialog);
    return wxID_NONE;
}

void ModalDialogCount::Exit(wxDialog* dialog) {
    open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
    if (!open.empty()) return;
    if (ending) {
        if (afterLast) std::exchange(afterLast, nullptr)();
    } else if (allClosed) {
        allClosed();
    }
}

void ModalDialogCount::EndAll(std::function<void()> then) {
    ending = true;
    afterLast = std::move(then);
    const std::vector<wxDialog*> ended = open;
    platform::CancelShownDialogs();
    // Dialogs that run the toolkit's own modal loop and are not GTK dialogs.
    for (wxDialog* dialog : ended) {
        if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    }
    if (open.empty() && afterLast) std::exchange(afterLast, nullptr)();
}

MirovanControlApp::MirovanControlApp() = default;
MirovanControlApp::~MirovanControlApp() = default;

void MirovanControlApp::OnInitCmdLine(wxCmdLineParser& parser) {
    parser.AddParam("filename", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

namespace {

// The arguments as the system gave them, kept by main.
int sArgumentCount = 0;
char** sArguments = nullptr;

// The file named on the command line, as the bytes given. The toolkit decodes its copies of
// the arguments with the locale's conversion, whose text does not give those bytes back
// (under LANG=C a name that is not ASCII comes back as another name), and drops an argument
// that does not decode at all (a name in another encoding than a UTF-8 locale's); GTK takes
// out its own options. So the name is the real argument that decodes to the toolkit's
// parameter, or, when the toolkit saw none, the one it dropped.
std::optional<std::string> FileNamedOnCommandLine(const wxCmdLineParser& parser) {
    const bool parameterSeen = parser.GetParamCount() > 0;
    std::optional<std::string> named;
    for (int i = 1; i < sArgumentCount; ++i) {
        const char* argument = sArguments[i];
        const wxWCharBuffer decoded = wxConvLocal.cMB2WC(argument);
        if (parameterSeen ? decoded && parser.GetParam(0) == decoded.data()
                          : !decoded && argument[0] != '-')
            named = argument;
    }
    if (parameterSeen && !named) {
        const wxScopedCharBuffer bytes = parser.GetParam(0).fn_str();
        if (bytes.data()) named = std::string(bytes.data(), bytes.length());
    }
    return named;
}

}  // namespace

bool MirovanControlApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    if (const auto named = FileNamedOnCommandLine(parser)) {
        sFileToLoad = *named;
        sSilenceLoadErrors = false;
    }
    return true;
}

void MirovanControlApp::ConnectDeviceBus() {
    // With MIROVANLE_SIM_SOCKET set the device is the simulator serving there: a missing server
    // reads as an unplugged device, one started later as a device plugged in. Otherwise it is
    // the MirovanLE on this machine's FireWire bus.
    const char* simulator = std::getenv("MIROVANLE_SIM_SOCKET");
    if (simulator && *simulator) {
        std::fprintf(stderr, "mirovan-control: using the simulated MirovanLE at %s\n", simulator);
        bus = std::make_unique<platform::SimulatorClientBus>(simulator);
    } else {
        std::fprintf(stderr, "mirovan-control: using the MirovanLE on the FireWire bus\n");
        bus = std::make_unique<platform::LinuxBus>();
    }
    platform::InstallDeviceBus(bus.get());
}

void MirovanControlApp::DisconnectDeviceBus() {
    if (bus && platform::InstalledDeviceBus() == bus.get()) platform::InstallDeviceBus(nullptr);
    bus.reset();
}

void MirovanControlApp::LoadResources() {
    const std::string path = platform::ResourceArchivePath();
    if (!path.empty()) g_resources.LoadFile(path.c_str());
}

void MirovanControlApp::CreatePanels() {
    normalPanel = new MirovanNormalGUI(plugin);
    shrinkPanel = new MirovanShrinkGUI(plugin);
    panel96k = new Mirovan96kGUI(plugin);
    ac3Panel = new MirovanAC3GUI(plugin);
    for (PluginGUI* panel :
         {static_cast<PluginGUI*>(normalPanel), static_cast<PluginGUI*>(panel96k),
          static_cast<PluginGUI*>(shrinkPanel), static_cast<PluginGUI*>(ac3Panel)})
        DisableIndicators(panel);
}

void MirovanControlApp::CreateWindows() {
    floatingFrame =
        new MyFrame(wrapper, normalPanel, panel96k, shrinkPanel, ac3Panel, kFloatingStyle, nullptr);
    normalFrame = new MyFrame(wrapper, normalPanel, panel96k, shrinkPanel, ac3Panel, kNormalStyle,
                              floatingFrame.get());
}

void MirovanControlApp::ShowChosenWindow() {
    if (wrapper->HostWantsParameterValue(param::kFloatWindowMode) > 0.0f) {
        normalFrame->Hide();
        floatingFrame->Show();
        floatingFrame->Activate();
    } else {
        normalFrame->Show();
        floatingFrame->Hide();
        normalFrame->Activate();
    }
}

bool MirovanControlApp::OnInit() {
    initialised = false;
    exiting = false;
    inIdle = false;

    SetVendorName(kVendorName);
    SetAppName(kAppName);
    OnInitMakeDefaultFilename();

    if (!wxApp::OnInit()) return false;
    singleCopy = std::make_unique<SingleCopy>();
    const SingleCopy::Start start = singleCopy->Decide(FileNamed());
    if (start != SingleCopy::Start::Run) {
        // This process writes no settings and never touches the device. A file from the
        // desktop has gone to the running copy, and this process ends with that copy's
        // answer (see OnRun); without a file, or when no copy answered, the process is
        // refused.
        savedefaultfile = false;
        if (start == SingleCopy::Start::HandedOver) return true;
        wxMessageBox("Another copy of MirovanControl LE is already running.", "Error",
                     wxOK | wxICON_ERROR);
        return false;
    }
    // Listening early, so that a second process started during start-up finds this copy;
    // what it hands over waits in the queue until start-up has finished.
    documentReceiver = std::make_unique<platform::DocumentReceiver>(
        singleCopy->HandOverSocket(), [this](const std::string& path) { QueueDocument(path); });
    modalDialogs = std::make_unique<ModalDialogCount>([this] {
        if (!queuedDocuments.empty()) CallAfter([this] { OpenQueuedDocuments(); });
    });
    modalDialogs->Register();

    // Work that the platform's notifications and the audio layer's threads hand to the main
    // thread runs from the toolkit's event loop.
    platform::SetMainRunLoopWakeup([] {
        if (wxTheApp) wxTheApp->CallAfter([] { platform::RunMainRunLoopPending(); });
    });
    SetDeviceMessageFunction(&ShowDeviceMessageBox);
    ConnectDeviceBus();

    sleep = std::make_unique<platform::SleepNotifier>([this] { OnPowerSleep(); });
    // A terminated program saves its settings as a closed one does.
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        SetSignalHandler(signal, [](int) { wxGetApp().EndOnSignal(); });

    LoadResources();
    RegisterViewTypes();

    plugin = new MirovanPlugin;
    MirovanHAL::Create();
    MirovanHAL::Get()->SetPlugin(plugin);
    // Observing before the first open, so an outdated device present at start is reported.
    MirovanHAL::Get()->AddObserver(this);
    MirovanHAL::Get()->Open();

    CreatePanels();

    wrapper = new PPlugIn(plugin, normalPanel);
    wrapper->SetPluginInterface(this);

    actions = std::make_unique<ParameterActions>(wrapper, this);
    idle = std::make_unique<IdleHandler>(wrapper, this);
    for (MirovanHAL::Event e : pendingEvents) idle->Queue(e);
    pendingEvents.clear();
    mixFiles =
        std::make_unique<MixFiles>(wrapper, &messages, [this] { actions->ResendDeviceSettings(); });

    CreateWindows();

    if (!sFileToLoad.empty()) mixFiles->Load(sFileToLoad, kMixFileId, sSilenceLoadErrors);

    floatingFrame->SortGUI(false);
    normalFrame->SortGUI(false);
    ShowChosenWindow();

    connectionLostPanel = new ConnectionLostGUI(plugin);
    // Every panel has been built and has decoded the images it shows, which stay cached while
    // the panels live; the archive's raw bytes are never read again.
    g_resources.ClearAll();
    connectionLostWindow = new wxPluginGUIFrame(normalFrame.get(), -1, "FireWire Connection Lost",
                                                kConnectionLostStyle);
    // It belongs to the normal main window but floats on the shown one, in floating mode the
    // floating window, which stays above the others and would cover it.
    platform::FloatOn(connectionLostWindow.get(), ShownMainWindow());
    connectionLostWindow->SetPluginGUI(connectionLostPanel);
    connectionLostWindow->Hide();
    if (!MirovanHAL::Get()->KeepOpen()) connectionLostWindow->Show();

    initialised = true;
    // A signal that came while a box of start-up was open closes the program now.
    if (terminating) CloseOnSignal();
    if (!queuedDocuments.empty()) CallAfter([this] { OpenQueuedDocuments(); });
    return true;
}

void MirovanControlApp::EndOnSignal() {
    if (exiting) return;
    terminating = true;
    // No document is taken any more: a second process that comes now waits for this copy to
    // end and runs in its place. The documents already taken are opened at exit.
    documentReceiver.reset();
    // The windows are closed once no dialog is open any more. That happens in the toolkit's
    // exit hook of the last dialog, inside its ShowModal, before the dialog's caller has its
    // answer and may still use the windows. It is safe because closing a main window only
    // asks for its Destroy, which the toolkit carries out later, from its main loop; nothing
    // here may delete a window at once.
    if (modalDialogs)
        modalDialogs->EndAll([this] { CloseOnSignal(); });
    else
        CloseOnSignal();
}

void MirovanControlApp::CloseOnSignal() {
    // During start-up, OnInit closes the program once it has finished.
    if (!initialised || exiting) return;
    if (wxWindow* top = GetTopWindow())
        top->Close(true);
    else
        ExitMainLoop();
}

int MirovanControlApp::OnRun() {
    // A process that only handed its file to the running copy ends without a main loop.
    if (const auto status = singleCopy->HandOverStatus()) return *status;
    return wxApp::OnRun();
}

int MirovanControlApp::OnExit() {
    if (exiting) return 0;
    exiting = true;  // from now on the idle handler does nothing
    // No second process reaches this copy any more; the socket file goes with the receiver.
    documentReceiver.reset();

    if (initialised) {
        OpenDocumentsAtExit();
        OnInitMakeDefaultFilename();
        if (savedefaultfile) SaveDefaultSettings();
        MirovanHAL::Get()->Close();

        delete normalPanel;
        normalPanel = nullptr;
        delete panel96k;
        panel96k = nullptr;
        delete ac3Panel;
        ac3Panel = nullptr;
        delete shrinkPanel;
        shrinkPanel = nullptr;
        delete connectionLostPanel;
        connectionLostPanel = nullptr;

        mixFiles.reset();
        idle.reset();
        actions.reset();
        MirovanHAL::Destroy();
        delete wrapper;
        wrapper = nullptr;
        delete plugin;
        plugin = nullptr;
    }
    if (modalDialogs) modalDialogs->Unregister();
    modalDialogs.reset();
    sleep.reset();
    DisconnectDeviceBus();
    platform::SetMainRunLoopWakeup({});
    SetDeviceMessageFunction(nullptr);
    return wxApp::OnExit();
}

bool MirovanControlApp::SaveDefaultSettings() {
    if (!MakeParentFolder(sFileToLoad)) {
        messages.ShowError("The folder for the settings file \"" + sFileToLoad +
                           "\" could not be created.");
        return false;
    }
    return mixFiles->SaveSettings(sFileToLoad, kMixFileId);
}

bool MirovanControlApp::ProcessIdle() {
    if (exiting) return false;
    inIdle = true;
    // Until start-up has finished (a message box of the command-line file runs the event
    // loop) the application's own idle work waits.
    if (initialised) idle->Pass();
    wxApp::ProcessIdle();
    inIdle = false;
    return false;
}

float MirovanControlApp::GetSampleRate() {
    return 0.0f;
}

void MirovanControlApp::ParameterHasChanged(int index) {
    if (actions) actions->ParameterHasChanged(index);
}

void MirovanControlApp::MirovanHALEvent(MirovanHAL::Event e) {
    if (idle)
        idle->Queue(e);
    else
        pendingEvents.push_back(e);
}

void MirovanControlApp::OnPowerSleep() {
    if (initialised && !exiting) MirovanHAL::Get()->Close();
}

MyFrame* MirovanControlApp::ShownMainWindow() const {
    if (floatingFrame && floatingFrame->IsShown()) return floatingFrame.get();
    return normalFrame.get();
}

void MirovanControlApp::OpenDocument(const std::string& path) {
    // Weak: a termination signal may close the windows while the load's error box is open.
    wxWeakRef<MyFrame> frame = ShownMainWindow();
    if (!frame) return;
    frame->DeActivate();
    mixFiles->Load(path, kMixFileId, false);
    if (!frame) return;
    frame->Activate();
    if (frame->IsIconized()) frame->Iconize(false);
    frame->Raise();
}

void MirovanControlApp::QueueDocument(const std::string& path) {
    queuedDocuments.push_back(path);
    CallAfter([this] { OpenQueuedDocuments(); });
}

void MirovanControlApp::OpenQueuedDocuments() {
    // A document opened inside a dialog would set the windows aside under that dialog's
    // owner; it waits for the dialog to close (the count then calls here again). The error
    // box of one document is such a dialog, so documents are opened one after another.
    if (!initialised || exiting || openingDocuments) return;
    if (modalDialogs && modalDialogs->AnyOpen()) return;
    openingDocuments = true;
    while (!queuedDocuments.empty() && !exiting && !terminating) {
        const std::string path = queuedDocuments.front();
        queuedDocuments.pop_front();
        OpenDocument(path);
    }
    openingDocuments = false;
}

void MirovanControlApp::OpenDocumentsAtExit() {
    // The second processes were told that these were taken: they are loaded even now, and
    // their registers reach the device before it closes, since no timer steps it any more.
    if (queuedDocuments.empty()) return;
    for (const std::string& path : queuedDocuments) mixFiles->Load(path, kMixFileId, false);
    queuedDocuments.clear();
    MirovanHAL::Get()->StepAVC();
}

void MirovanControlApp::SaveMixWithDialog() {
    if (!floatingFrame || !normalFrame) return;
    const bool floatingShown = floatingFrame->IsShown();
    floatingFrame->DeActivate();
    normalFrame->DeActivate();

    wxFileDialog dialog(nullptr, "Save MirovanLE Mix file", "", kDefaultMixFileName,
                        kMixFileWildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    // A name that is saved with ".mvle" added is asked about here, under that name.
    platform::AskReplaceOnlyForPathAsChosen(dialog, MixSavePath);
    while (dialog.ShowModal() == wxID_OK) {
        const std::string chosen = platform::FileDialogPath(dialog);
        const std::string path = MixSavePath(chosen);
        if (path == chosen || !platform::IsNonFolder(path) || platform::ReplaceAllowed(path)) {
            mixFiles->Save(path, kMixFileId);
            break;
        }
        // Not replaced: back to the chooser, as after GTK's own question, now offering the
        // name that was asked about.
        platform::OfferFileDialogPath(dialog, path);
    }

    (floatingShown ? floatingFrame : normalFrame)->Activate();
}

void MirovanControlApp::LoadMixWithDialog() {
    if (!floatingFrame || !normalFrame) return;
    const bool floatingShown = floatingFrame->IsShown();
    floatingFrame->DeActivate();
    normalFrame->DeActivate();

    wxFileDialog dialog(nullptr, "Load MirovanLE Mix file", "", "", kMixFileWildcard, wxFD_OPEN);
    if (dialog.ShowModal() == wxID_OK)
        mixFiles->Load(platform::FileDialogPath(dialog), kMixFileId, false);

    // The file may have chosen the other window mode.
    const bool wantFloating = wrapper->HostWantsParameterValue(param::kFloatWindowMode) > 0.0f;
    if (wantFloating != floatingShown) {
        MyFrame* from = floatingShown ? floatingFrame.get() : normalFrame.get();
        MyFrame* to = floatingShown ? normalFrame.get() : floatingFrame.get();
        ShowInsteadOf(to, from);
    }
    MyFrame* chosen = wantFloating ? floatingFrame.get() : normalFrame.get();
    chosen->SortGUI(false);
    chosen->Activate();
}

void MirovanControlApp::ShowConnectionLost(bool show) {
    if (!connectionLostWindow || connectionLostWindow->IsShown() == show) return;
    if (show) {
        // Each loss is seen, even when the window was minimised at the last one: a window
        // manager may minimise it together with the main window it floats on (openbox does,
        // whichever of the two is minimised), and the toolkit shows a window hidden while
        // minimised as minimised again. The main window comes back first, so that the window
        // floats on a window that is seen.
        MyFrame* owner = ShownMainWindow();
        if (owner && owner->IsIconized()) owner->Iconize(false);
        connectionLostWindow->Iconize(false);
    }
    connectionLostWindow->Show(show);
}

void MirovanControlApp::FirmwareNeedsUpdate() {
    if (terminating) return;
    ShowConnectionLost(false);
    wxMessageBox(
        "The firmware installed on your MirovanLE is incompatible with this version of "
        "MirovanControl LE.\n\n",
        "MirovanControl LE", wxOK | wxCENTRE);
    // A program ended while the message was shown starts nothing.
    if (terminating) return;
    platform::LaunchUpdater(platform::FirmwareUpdaterPath());
    if (wxWindow* top = GetTopWindow()) top->Close(false);
}

void MirovanControlApp::DeviceReopened() {
    // A device plugged in later gets the settings that the mix matrix does not carry.
    actions->ResendDeviceSettings();
}

wxIMPLEMENT_APP_NO_MAIN(MirovanControlApp);

int main(int argc, char** argv) {
    // The panel polls the pointer, which needs X11 rather than Wayland.
    setenv("GDK_BACKEND", "x11", 0);
    sArgumentCount = argc;
    sArguments = argv;
    platform::NoteProgramStart(argc > 0 ? argv[0] : nullptr);
    return wxEntry(argc, argv);
}
