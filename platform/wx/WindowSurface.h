#pragma once
// The window half of the drawing surface: a back buffer the size of a wxWidgets window, shown
// by the window's paint handler, with the pointer, buttons and modifiers polled from
// wxGetMouseState and the clipboard through wxTheClipboard.
//
// Drawing on a GTK window outside a paint event is unreliable, so a GUI draws into the back
// buffer and invalidates what changed; the host window's paint handler calls Paint, which
// copies only the window's update region to the screen. Beside the back buffer lives one
// persistent image of the same size in the screen's pixel format: each invalidated rectangle
// is converted into it, and a paint copies from it, so a paint allocates nothing and costs
// what changed rather than the whole window.

#include <memory>

#include <wx/window.h>

#include "views/Bitmap.h"
#include "views/WindowPort.h"

class wxRect;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;

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

    // Copies the window's update region from the screen image to the screen; call from the
    // window's paint handler. False when there is nothing to show (no area, no paint under way).
    bool Paint();

    wxWindow* GetWindow() const { return window; }

  private:
    // The screen image is made by the first paint after each new back buffer, like the paint
    // target, and filled from the buffer.
    void MakeScreenImage(cairo_surface_t* target, Bitmap& buffer);
    void DropScreenImage();
    // Converts rectangle r (inside both) of the back buffer into the screen image. The buffer
    // is not changed, but reading its pixels takes and releases them.
    void ConvertIntoScreenImage(Bitmap& buffer, const wxRect& r);

    wxWindow* window;
    std::unique_ptr<Bitmap> backBuffer;
    cairo_surface_t* screenImage = nullptr;
    cairo_pattern_t* screenPattern = nullptr;  // the image as a paint source
};
