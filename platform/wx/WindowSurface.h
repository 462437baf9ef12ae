#pragma once
// The window half of the drawing surface: a back buffer the size of a wxWidgets window, shown
// by the window's paint handler, with the pointer, buttons and modifiers polled from
// wxGetMouseState and the clipboard through wxTheClipboard.
//
// Drawing on a GTK window outside a paint event is unreliable, so a GUI draws into the back
// buffer and invalidates what changed; the host window's paint handler calls Paint.

#include <memory>

#include <wx/window.h>

#include "views/Bitmap.h"
#include "views/WindowPort.h"

class wxDC;

class WindowSurface : public WindowPort {
  public:
    // The window is not owned and must outlive the surface.
    explicit WindowSurface(wxWindow* window);
    ~WindowSurface() override;

    // The buffer follows the window's client size; a size change makes a new (black) buffer,
    // so the next paint request redraws the panel into it.
    Bitmap* GetBackBuffer() override;
    void InvalidateRect(const PRect& changed) override;
    void GetPointer(int* x, int* y) override;
    bool AnyButtonDown() override;
    unsigned GetModifiers() override;
    void SetClipboardData(int flavour, const void* data, int size) override;
    int GetClipboardDataSize(int flavour) override;
    int GetClipboardData(int flavour, void* buf, int capacity) override;

    // Copies the damaged part of the back buffer to dc; call from the window's paint handler.
    void Paint(wxDC& dc);

    wxWindow* GetWindow() const { return window; }

  private:
    wxWindow* window;
    std::unique_ptr<Bitmap> backBuffer;
};
