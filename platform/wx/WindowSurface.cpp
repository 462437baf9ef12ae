#include "platform/wx/WindowSurface.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <wx/bitmap.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dc.h>
#include <wx/image.h>
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

WindowSurface::~WindowSurface() = default;

Bitmap* WindowSurface::GetBackBuffer() {
    if (!window) return nullptr;
    const wxSize size = window->GetClientSize();
    if (size.x <= 0 || size.y <= 0) return nullptr;
    if (!backBuffer || backBuffer->GetWidth() != size.x || backBuffer->GetHeight() != size.y) {
        backBuffer = std::make_unique<Bitmap>(size.x, size.y);
        backBuffer->EraseBitmap(0);
    }
    return backBuffer->ThereIsBitmapData() ? backBuffer.get() : nullptr;
}

void WindowSurface::InvalidateRect(const PRect& changed) {
    if (!window) return;
    window->RefreshRect(wxRect(changed.left, changed.top, changed.right - changed.left,
                               changed.bottom - changed.top),
                        false);
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

void WindowSurface::Paint(wxDC& dc) {
    Bitmap* buffer = GetBackBuffer();
    if (!buffer || !window) return;
    // Only the damaged part is converted: the box around the window's update region.
    wxRect box = window->GetUpdateRegion().GetBox();
    if (box.IsEmpty()) box = wxRect(0, 0, buffer->GetWidth(), buffer->GetHeight());
    box.Intersect(wxRect(0, 0, buffer->GetWidth(), buffer->GetHeight()));
    if (box.IsEmpty()) return;

    wxImage image(box.width, box.height, false);
    unsigned char* rgb = image.GetData();
    const int32_t* bits = buffer->GetBits();
    const int rowLength = buffer->GetRowLength();
    for (int y = 0; y < box.height; ++y) {
        const int32_t* row = bits + static_cast<ptrdiff_t>(box.y + y) * rowLength + box.x;
        for (int x = 0; x < box.width; ++x) {
            const uint8_t* p = pixel::Bytes(row + x);
            *rgb++ = p[pixel::kRed];
            *rgb++ = p[pixel::kGreen];
            *rgb++ = p[pixel::kBlue];
        }
    }
    buffer->ReleaseBits();
    dc.DrawBitmap(wxBitmap(image), box.x, box.y, false);
}
