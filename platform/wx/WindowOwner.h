#pragma once
// Which window a small window floats on. A window made with wxFRAME_FLOAT_ON_PARENT floats on
// its parent: the window manager keeps it above that window. When the parent is hidden and
// another window is shown in its place, the small window has to float on that one instead, or
// a window manager may stack it under the shown window. The toolkit has no call for this, so
// it is made here on the native windows; the toolkit's parent stays as it was (the window is
// still destroyed with it).

class wxTopLevelWindow;

namespace platform {

// Keeps window above owner from now on, shown or hidden; a shown window is raised at once,
// as without a window manager nothing but such a request restacks it. Window managers read
// the owner at different times, some only while it is mapped, some only when it changes: when
// owner is about to be shown, call this before showing it and once more after.
void FloatOn(wxTopLevelWindow* window, wxTopLevelWindow* owner);

}  // namespace platform
