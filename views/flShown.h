#pragma once
// Whether a view is on screen: neither it nor any of its ancestors is hidden.
//
// A control that draws itself at once, outside the panel's draw pass (a knob or fader
// following the pointer, a meter whose bar moved), paints only while it is on screen: a
// hidden one would cover whatever the window shows in its place. Its state still changes, and
// the panel's next draw shows it once it is visible again.

#include "views/View.h"

inline bool flIsShown(View* view) {
    for (; view != nullptr; view = view->GetParent()) {
        if (view->IsHidden()) return false;
    }
    return true;
}
