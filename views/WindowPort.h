#pragma once
// What the drawing surface needs from the window it draws for. The window owns a back buffer
// of its own size; GUI draws into it and tells the window which part changed; the window's
// paint handler shows the buffer. Pointer, buttons and modifiers are the state at the moment
// of the call, not that of a queued event.
//
// The program implements it with wxWidgets (platform/wx/WindowSurface.h); tests implement it
// with a scripted window whose pointer, buttons and modifiers a test sets.

#include "views/Bitmap.h"
#include "views/ViewDefinition.h"

// Modifier bits of WindowPort::GetModifiers.
enum ModifierKey : unsigned {
    kModifierCtrl = 0x100,  // Control (the command key of the panel's shortcuts)
    kModifierShift = 0x200,
    kModifierAlt = 0x800,  // Alt: alt-click resets a control to its default
};

class WindowPort {
  public:
    virtual ~WindowPort() = default;

    // The window-sized back buffer, NULL while the window has no area. It may be replaced when
    // the window is resized, so callers fetch it for every redraw and keep it no longer.
    virtual Bitmap* GetBackBuffer() = 0;
    // Part of the back buffer changed (half-open rectangle in window coordinates).
    virtual void InvalidateRect(const PRect& changed) = 0;

    // Pointer position in window coordinates.
    virtual void GetPointer(int* x, int* y) = 0;
    // True while any mouse button is down.
    virtual bool AnyButtonDown() = 0;
    // The ModifierKey bits held now.
    virtual unsigned GetModifiers() = 0;

    // Clipboard, by a four-character type code. SetClipboardData replaces the whole clipboard;
    // GetClipboardDataSize is 0 when there is no data of that type; GetClipboardData copies at
    // most capacity bytes and returns how many it copied.
    virtual void SetClipboardData(int flavour, const void* data, int size) = 0;
    virtual int GetClipboardDataSize(int flavour) = 0;
    virtual int GetClipboardData(int flavour, void* buf, int capacity) = 0;
};
