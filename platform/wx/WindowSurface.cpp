#include "platform/wx/WindowSurface.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <cairo.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/region.h>
#include <wx/utils.h>

namespace {

// A clipboard type from a four-character code, most significant character first.
wxDataFormat FormatOf(int flavour) {
    std::string name = "application/x-mirovan-";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<unsigned>(flavour) >> shift) & 0xFF);
        name += (c >= 33 && c <= 126) ? c : '_';
    }
    return wxDataFormat(wxString::FromAscii(name.c_str()));
}

}  // namespace

WindowSurface::WindowSurface(wxWindow* window) : window(window) {}

WindowSurface::~WindowSurface() {
    DropScreenImage();
}

Bitmap* WindowSurface::GetBackBuffer() {
    if (!window) return nullptr;
    const wxSize size = window->GetClientSize();
    if (size.x <= 0 || size.y <= 0) return nullptr;
    if (!backBuffer || backBuffer->GetWidth() != size.x || backBuffer->GetHeight() != size.y) {
        backBuffer = std::make_unique<Bitmap>(size.x, size.y);
        // The next paint makes a screen image of the new size.
        DropScreenImage();
    }
    return backBuffer->ThereIsBitmapData() ? backBuffer.get() : nullptr;
}

void WindowSurface::InvalidateRect(const PRect& changed) {
    if (!window) return;
    const wxRect r(changed.left, changed.top, changed.right - changed.left,
                   changed.bottom - changed.top);
    // What changed is brought into the screen image at once, so the image always shows the
    // back buffer and a paint only has to copy it, whatever part the toolkit asks for.
    if (backBuffer && screenImage) {
        const wxRect inside =
            wxRect(r).Intersect(wxRect(0, 0, backBuffer->GetWidth(), backBuffer->GetHeight()));
        if (!inside.IsEmpty()) ConvertIntoScreenImage(*backBuffer, inside);
    }
    // Drawn inside the window's own paint handler (a full redraw), what this paint's update
    // region covers reaches the screen with this paint: invalidating it would paint it again.
    if (window->GTKPaintContext()) {
        wxRegion outside(r);
        outside.Subtract(window->GetUpdateRegion());
        for (wxRegionIterator part(outside); part; ++part)
            window->RefreshRect(part.GetRect(), false);
        return;
    }
    window->RefreshRect(r, false);
}

void WindowSurface::GetPointer(int* x, int* y) {
    const wxMouseState state = wxGetMouseState();
    wxPoint p(state.GetX(), state.GetY());
    if (window) p = window->ScreenToClient(p);
    if (x) *x = p.x;
    if (y) *y = p.y;
}

bool WindowSurface::AnyButtonDown() {
    const wxMouseState state = wxGetMouseState();
    return state.LeftIsDown() || state.MiddleIsDown() || state.RightIsDown() ||
           state.Aux1IsDown() || state.Aux2IsDown();
}

unsigned WindowSurface::GetModifiers() {
    const wxMouseState state = wxGetMouseState();
    unsigned bits = 0;
    if (state.RawControlDown()) bits |= kModifierCtrl;
    if (state.ShiftDown()) bits |= kModifierShift;
    if (state.AltDown()) bits |= kModifierAlt;
    return bits;
}

void WindowSurface::SetClipboardData(int flavour, const void* data, int size) {
    if (!wxTheClipboard->Open()) return;
    wxTheClipboard->Clear();
    auto* object = new wxCustomDataObject(FormatOf(flavour));
    object->SetData(static_cast<size_t>(std::max(size, 0)), data);
    wxTheClipboard->SetData(object);  // the clipboard owns it now
    wxTheClipboard->Close();
}

int WindowSurface::GetClipboardDataSize(int flavour) {
    if (!wxTheClipboard->Open()) return 0;
    int size = 0;
    const wxDataFormat format = FormatOf(flavour);
    if (wxTheClipboard->IsSupported(format)) {
        wxCustomDataObject object(format);
        if (wxTheClipboard->GetData(object)) size = static_cast<int>(object.GetSize());
    }
    wxTheClipboard->Close();
    return size;
}

int WindowSurface::GetClipboardData(int flavour, void* buf, int capacity) {
    if (!buf || capacity <= 0 || !wxTheClipboard->Open()) return 0;
    int copied = 0;
    const wxDataFormat format = FormatOf(flavour);
    if (wxTheClipboard->IsSupported(format)) {
        wxCustomDataObject object(format);
        if (wxTheClipboard->GetData(object)) {
            copied = static_cast<int>(std::min<size_t>(object.GetSize(), capacity));
            std::memcpy(buf, object.GetData(), static_cast<size_t>(copied));
        }
    }
    wxTheClipboard->Close();
    return copied;
}

void WindowSurface::MakeScreenImage(cairo_surface_t* target, Bitmap& buffer) {
    DropScreenImage();
    // An image made like the paint target's can live in memory that the X server shares
    // (MIT-SHM), so that a paint copies only its update region's pixels, inside the server,
    // instead of sending the update region's bounding box over the connection.
    const int width = buffer.GetWidth(), height = buffer.GetHeight();
    cairo_surface_t* image =
        cairo_surface_create_similar_image(target, CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE) {
        cairo_surface_destroy(image);
        image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    }
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return;
    }
    screenImage = image;
    screenPattern = cairo_pattern_create_for_surface(image);
    ConvertIntoScreenImage(buffer, wxRect(0, 0, width, height));
}

void WindowSurface::DropScreenImage() {
    if (screenPattern) cairo_pattern_destroy(screenPattern);
    if (screenImage) cairo_surface_destroy(screenImage);
    screenPattern = nullptr;
    screenImage = nullptr;
}

void WindowSurface::ConvertIntoScreenImage(Bitmap& buffer, const wxRect& r) {
    // The back buffer holds spare, red, green, blue bytes; the screen image holds native
    // 32-bit words 0x00RRGGBB.
    cairo_surface_flush(screenImage);
    auto* image = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(screenImage));
    const ptrdiff_t imageRow = cairo_image_surface_get_stride(screenImage) / 4;
    const int32_t* bits = buffer.GetBits();
    const ptrdiff_t bufferRow = buffer.GetRowLength();
    for (int y = r.y; y < r.y + r.height; ++y) {
        const uint8_t* from = pixel::Bytes(bits + y * bufferRow + r.x);
        uint32_t* to = image + y * imageRow + r.x;
        for (int x = 0; x < r.width; ++x, from += 4)
            to[x] = uint32_t{from[pixel::kRed]} << 16 | uint32_t{from[pixel::kGreen]} << 8 |
                    uint32_t{from[pixel::kBlue]};
    }
    buffer.ReleaseBits();
    cairo_surface_mark_dirty_rectangle(screenImage, r.x, r.y, r.width, r.height);
}

bool WindowSurface::Paint() {
    // GTK hands every paint a cairo context clipped to the update region. Drawing through it
    // directly spares a paint DC and its graphics context on every paint.
    cairo_t* cr = window ? window->GTKPaintContext() : nullptr;
    Bitmap* buffer = GetBackBuffer();
    if (!buffer || !cr) return false;
    if (!screenImage) MakeScreenImage(cairo_get_target(cr), *buffer);
    if (!screenPattern) return false;
    cairo_save(cr);
    cairo_set_source(cr, screenPattern);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_restore(cr);
    return true;
}
