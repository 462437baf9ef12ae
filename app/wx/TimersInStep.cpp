#include "app/wx/TimersInStep.h"

#include <algorithm>
#include <vector>

#include <wx/app.h>
#include <wx/timer.h>

namespace TimersInStep {
namespace {

struct Waiting {
    wxTimer* timer;
    int milliseconds;
};

std::vector<Waiting> waiting;
std::vector<wxTimer*> started;
bool startQueued = false;

void StartWaiting() {
    startQueued = false;
    for (const Waiting& w : waiting) {
        w.timer->Start(w.milliseconds);
        started.push_back(w.timer);
    }
    waiting.clear();
}

}  // namespace

void Start(wxTimer* timer, int milliseconds) {
    waiting.push_back({timer, milliseconds});
    // With timers running, their next tick starts this one.
    if (!started.empty() || startQueued) return;
    if (!wxTheApp) {
        StartWaiting();
        return;
    }
    startQueued = true;
    wxTheApp->CallAfter(&StartWaiting);
}

void Forget(wxTimer* timer) {
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [timer](const Waiting& w) { return w.timer == timer; }),
                  waiting.end());
    started.erase(std::remove(started.begin(), started.end(), timer), started.end());
}

void Ticked() {
    if (!waiting.empty()) StartWaiting();
}

}  // namespace TimersInStep
