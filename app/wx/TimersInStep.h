#pragma once
// Starts the windows' tick timers so that they fire in one wake-up of the program.
//
// Every window has its own 100 ms timer. Started one after another as the windows are made,
// they would fire milliseconds apart, and each firing wakes the program, steps the device,
// runs an idle pass and paints what changed: three wake-ups and two paints where one of each
// does. GLib re-arms a repeating timer from the time of the loop pass that dispatched it, so
// timers that fire in one pass once go on firing in one pass. The timers are therefore
// started together: those of windows made while no timer runs at the event loop's next
// pass, later ones during a tick of the running timers.

class wxTimer;

namespace TimersInStep {

// Starts timer (repeating, every milliseconds) in step with the others.
void Start(wxTimer* timer, int milliseconds);
// Before timer is deleted: it is neither started nor counted any more.
void Forget(wxTimer* timer);
// A running timer has just fired: the timers that wait are started now.
void Ticked();

}  // namespace TimersInStep
