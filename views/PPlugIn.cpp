#include "views/PPlugIn.h"

PPlugIn::PPlugIn(Plugin* plugin, PluginGUI* gui) : plugin(nullptr), gui(nullptr), owns(false) {
    SetPlugin(plugin);
    SetPluginGUI(gui);
}

PPlugIn::~PPlugIn() {
    // Taken off the list first, so a plug-in that outlives its wrapper never calls it.
    if (plugin) plugin->RemoveParameterObserver(this);
    if (owns) {
        delete gui;
        delete plugin;
    }
}

void PPlugIn::SetPlugin(Plugin* p) {
    if (plugin) plugin->RemoveParameterObserver(this);
    plugin = p;
    if (plugin) plugin->observers.push_back(this);
}

void PPlugIn::SetPluginGUI(PluginGUI* panel) {
    gui = panel;
    if (!plugin || !gui) return;
    for (unsigned long i = 0; i < plugin->count; ++i)
        gui->NotifyParameterChanged(static_cast<int>(i));
}

void PPlugIn::NotifyParameterChanged(int index) {
    ParameterHasChanged(index);
}

void PPlugIn::SetPluginInterface(PPluginInterface* host) {
    if (plugin) plugin->SetPluginInterface(host);
}

PPluginInterface* PPlugIn::GetPluginInterface() {
    return plugin ? plugin->GetPluginInterface() : nullptr;
}

void PPlugIn::GetInitialUISize(int* w, int* h) {
    int width = 0, height = 0;
    if (gui) gui->GetSize(width, height);
    if (w) *w = width;
    if (h) *h = height;
}

void PPlugIn::CreateGUI(WindowPort* window, int x, int y) {
    if (!gui) return;
    gui->CreateGUI(window);
    gui->SetViewOffset(x, y);
}

void PPlugIn::CloseGUI() {
    if (!gui) return;
    delete gui->gui;
    gui->gui = nullptr;
}

void PPlugIn::draw() {
    if (gui) gui->draw();
}

void PPlugIn::mouse(int x, int y, int button, int down) {
    if (gui) gui->mouse(x, y, button, down);
}

void PPlugIn::mousemove(int x, int y) {
    if (gui) gui->mousemove(x, y);
}

void PPlugIn::key(int a, int b) {
    if (gui) gui->key(a, b);
}

void PPlugIn::idle() {
    if (gui) gui->idle();
}

void PPlugIn::redraw() {
    if (gui && !gui->views.empty() && gui->views[0]) gui->views[0]->redraw();
}

void PPlugIn::tick() {
    OnTick(gui ? gui->gui : nullptr);
    if (gui) gui->tick();
}

bool PPlugIn::NeedsRedraw() {
    return gui && !gui->views.empty() && gui->views[0] && gui->views[0]->needsredraw();
}

bool PPlugIn::IsMidiRequired() {
    return false;
}

bool PPlugIn::IsSynth() {
    return false;
}

bool PPlugIn::SupplyMidiWithAudio() {
    return false;
}

void PPlugIn::GetNumberOfChannels(int* in, int* out) {
    if (in) *in = 0;
    if (out) *out = 0;
}

float PPlugIn::GetSampleRate() {
    PPluginInterface* host = GetPluginInterface();
    return host ? host->GetSampleRate() : kDefaultSampleRate;
}

int PPlugIn::GetNumberOfParameters() {
    return plugin ? static_cast<int>(plugin->count) : 0;
}

Parameter* PPlugIn::GetParameter(int index) {
    if (!plugin || index < 0 || static_cast<unsigned long>(index) >= plugin->count ||
        static_cast<size_t>(index) >= plugin->params.size()) {
        return nullptr;
    }
    return plugin->params[index];
}

int PPlugIn::GetRequestedNumberOfPresets() {
    return 0;
}

void PPlugIn::ProcessAudioAndMIDI(float** in, int inStride, int channels, int frames, float** out,
                                  int outStride, int a, char* midi, int midiLen) {
    ProcessMIDI(midi, midiLen);
    ProcessAudio(in, inStride, channels, frames, out, outStride, a);
}

void PPlugIn::ProcessAudio(float** in, int inStride, int channels, int frames, float** out,
                           int outStride, int a) {
    if (plugin) plugin->ProcessAudio(in, inStride, channels, frames, out, outStride, a);
}

void PPlugIn::ProcessMIDI(char* data, int len) {
    if (plugin) plugin->ProcessMIDI(data, len);
}

int32_t PPlugIn::GetFourCharMfr() {
    return plugin ? plugin->GetFourCharMfr() : 0;
}

int32_t PPlugIn::GetFourCharID() {
    return plugin ? plugin->GetFourCharID() : 0;
}

int32_t PPlugIn::GetFourCharVersion() {
    return plugin ? plugin->GetFourCharVersion() : 0;
}

void PPlugIn::HostHasChangedParameter(int index, float t) {
    if (plugin) plugin->HostHasChangedParameter(index, t);
}

float PPlugIn::HostWantsParameterValue(int index) {
    return plugin ? plugin->HostWantsParameterValue(index) : 0.0f;
}

void PPlugIn::HostHasChangedParameterUnnormalised(int index, float x) {
    if (plugin) plugin->HostHasChangedParameterUnnormalised(index, x);
}

float PPlugIn::HostWantsParameterValueUnnormalised(int index) {
    return plugin ? plugin->HostWantsParameterValueUnnormalised(index) : 0.0f;
}

void PPlugIn::ControlHasChangedNormalisedValue(ViewID id, int slot, float t) {
    if (gui) gui->ControlHasChangedNormalisedValue(id, slot, t);
}

void PPlugIn::ControlHasChangedUnnormalisedValue(ViewID id, int slot, float x) {
    if (gui) gui->ControlHasChangedUnnormalisedValue(id, slot, x);
}

void PPlugIn::ControlHasChangedText(ViewID id, int slot, const char* text) {
    if (gui) gui->ControlHasChangedText(id, slot, text);
}

float PPlugIn::GetControlNormalisedValue(ViewID id, int slot) {
    return gui ? gui->GetControlNormalisedValue(id, slot) : 0.0f;
}

float PPlugIn::GetControlUnnormalisedValue(ViewID id, int slot) {
    return gui ? gui->GetControlUnnormalisedValue(id, slot) : 0.0f;
}

void PPlugIn::GetControlText(ViewID id, int slot, char* buf, int maxlen) {
    if (gui) gui->GetControlText(id, slot, buf, maxlen);
}

Parameter* PPlugIn::CreateParameter(const ParameterDefinition* row) {
    return row ? new Parameter(row) : nullptr;
}

void PPlugIn::ParameterHasChanged(int) {}

void PPlugIn::Initialise() {
    if (!plugin) return;
    for (unsigned long i = 0; i < plugin->count; ++i) {
        plugin->NotifyParameterHasChanged(static_cast<int>(i), false);
    }
}

void PPlugIn::SampleRateChanged(float) {}

void PPlugIn::OnTick(GUI*) {}
