#include "views/GUI.h"

#include <algorithm>
#include <cstdint>

#include "views/BitmapDrawing.h"

// --- Drawing helpers built on the pure operations ---------------------------------------

void iGUI::HatchedRectangle(const PRect* r) {
    if (!r) return;
    EraseRectangle(r);
    PlotRectangle(r);
    LineFromTo(r->left, r->top, r->right - 1, r->bottom - 1);
    LineFromTo(r->left, r->bottom - 1, r->right - 1, r->top);
}

void iGUI::HandledRectangle(const PRect* r) {
    if (!r) return;
    constexpr int kHandle = 10;
    EraseRectangle(r);
    PlotRectangle(r);
    const int cy = (r->top + r->bottom) / 2 - kHandle / 2;
    const int cx = (r->left + r->right) / 2 - kHandle / 2;
    const int farX = r->right - kHandle;
    const int farY = r->bottom - kHandle;
    const PPoint handles[] = {{r->left, r->top}, {farX, r->top}, {r->left, farY}, {farX, farY},
                              {r->left, cy},     {farX, cy},     {cx, r->top},    {cx, farY}};
    for (const PPoint& h : handles) PlotRectangle(h.x, h.y, kHandle, kHandle);
}

void iGUI::PlotRectangle(int x, int y, int w, int h) {
    const PRect r{x, x + w, y, y + h};
    PlotRectangle(&r);
}

void iGUI::EraseRectangle(int x, int y, int w, int h) {
    const PRect r{x, x + w, y, y + h};
    EraseRectangle(&r);
}

// --- GUI ---------------------------------------------------------------------------------

GUI::GUI(WindowPort* window)
    : offsetX(0), offsetY(0), window(window), currentPort(nullptr), windowBuffer(nullptr) {}

GUI::~GUI() = default;

bool GUI::AltIsDown() {
    return window && (window->GetModifiers() & kModifierAlt) != 0;
}

bool GUI::ShiftIsDown() {
    return window && (window->GetModifiers() & kModifierShift) != 0;
}

bool GUI::CtrlIsDown() {
    return window && (window->GetModifiers() & kModifierCtrl) != 0;
}

bool GUI::MouseIsDown() {
    return window && window->AnyButtonDown();
}

void GUI::GetMousePos(int* x, int* y) {
    // The pointer is read in window coordinates whatever the current target, so no redraw
    // needs to be opened for it and the target stack is left as it is.
    int px = 0, py = 0;
    if (window) window->GetPointer(&px, &py);
    if (x) *x = px;
    if (y) *y = py;
}

void GUI::GetOldGWorld() {
    savedPorts.push_back({currentPort, false});
}

void GUI::SetOldGWorld() {
    if (savedPorts.empty()) return;
    currentPort = savedPorts.back().target;
    savedPorts.pop_back();
}

void GUI::SetOurGWorld() {
    windowBuffer = window ? window->GetBackBuffer() : nullptr;
    currentPort = windowBuffer;
}

void GUI::StartRedraw() {
    if (IsRedrawing()) return;
    GetOldGWorld();
    SetOurGWorld();
}

void GUI::EndRedraw() {
    if (!IsRedrawing()) return;
    // Redirects left open by a caller are closed with the redraw, so the next redraw starts
    // from a clean stack instead of drawing into a stale bitmap.
    while (!savedPorts.empty()) SetOldGWorld();
    currentPort = nullptr;
    windowBuffer = nullptr;
    if (window)
        for (const PRect& r : changed.Rectangles()) window->InvalidateRect(r);
    changed.Clear();
}

void GUI::RedirectOutputToBitmap(Bitmap* b, int dx, int dy) {
    offsetX += dx;
    offsetY += dy;
    if (!b || !b->ThereIsBitmapData()) return;
    b->GetBits();  // held until the redirect ends
    savedPorts.push_back({currentPort, true});
    currentPort = b;
}

void GUI::RedirectOutputFromBitmap(Bitmap* b, int dx, int dy) {
    offsetX -= dx;
    offsetY -= dy;
    if (!b || !b->ThereIsBitmapData()) return;
    b->ReleaseBits();
    // Only a redirect's own entry is popped: an unmatched call cannot end the redraw.
    if (savedPorts.empty() || !savedPorts.back().redirect) return;
    SetOldGWorld();
}

void GUI::NoteChanged(const PRect& r) {
    if (currentPort == nullptr || currentPort != windowBuffer) return;
    const PRect limit{0, currentPort->GetWidth(), 0, currentPort->GetHeight()};
    const PRect c{std::max(r.left, limit.left), std::min(r.right, limit.right),
                  std::max(r.top, limit.top), std::min(r.bottom, limit.bottom)};
    changed.Add(c);
}

void GUI::DrawBitmap(Bitmap* b, const PRect* r, const PPoint* src) {
    if (!b || !r) return;
    PRect source{0, r->right - r->left, 0, r->bottom - r->top};
    if (src) source = {src->x, src->x + source.right, src->y, src->y + source.bottom};
    const int x = r->left + offsetX;
    const int y = r->top + offsetY;
    if (currentPort) {
        b->BlitIntoBitmap(currentPort, x, y, &source);
        NoteChanged({x, x + source.right - source.left, y, y + source.bottom - source.top});
    }
}

void GUI::PlotRectangle(const PRect* r) {
    if (!r || !currentPort) return;
    FrameRectInBitmap(currentPort, *r, kPenColour);
    NoteChanged(*r);
}

void GUI::EraseRectangle(const PRect* r) {
    if (!r || !currentPort) return;
    FillRectInBitmap(currentPort, *r, kBackgroundColour);
    NoteChanged(*r);
}

void GUI::LineFromTo(int x1, int y1, int x2, int y2) {
    if (!currentPort) return;
    DrawLineInBitmap(currentPort, x1, y1, x2, y2, kPenColour);
    // The end pixel is included; NoteChanged clips, so the largest coordinate just stays.
    const auto past = [](int v) { return v == INT32_MAX ? v : v + 1; };
    NoteChanged(
        {std::min(x1, x2), past(std::max(x1, x2)), std::min(y1, y2), past(std::max(y1, y2))});
}

void GUI::CopyToClipboard(const void* data, int size, int flavour) {
    if (!window || (!data && size > 0) || size < 0) return;
    window->SetClipboardData(flavour, data, size);
}

int GUI::GetClipboardDataSize(int flavour) {
    return window ? window->GetClipboardDataSize(flavour) : 0;
}

void GUI::PasteFromClipboard(void* buf, int flavour, int capacity) {
    if (!window || !buf || capacity <= 0) return;
    window->GetClipboardData(flavour, buf, capacity);
}
