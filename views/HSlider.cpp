#include "views/HSlider.h"

#include "views/ControlValue.h"
#include "views/GUI.h"
#include "views/PluginGUI.h"

HSlider::HSlider(const ViewDefinition* row, PluginGUI* owner)
    : View(row, owner), value(0.0f), travel(1), trackDrawn(false), handle(nullptr), track(nullptr),
      work(nullptr) {}

HSlider::~HSlider() {
    delete handle;
    delete track;
    delete work;
}

void HSlider::Initialise(char** lines, int count) {
    delete handle;
    delete track;
    delete work;
    handle = track = work = nullptr;
    value = 0.0f;
    travel = 1;
    trackDrawn = false;
    if (count != 1) return;
    int len = 0;
    const unsigned char* data = PluginGUI::GetResourceDataByName(lines[0], &len);
    if (data) {
        handle = new Bitmap(data, len);
        if (!handle->ThereIsBitmapData()) {
            delete handle;
            handle = nullptr;
        }
    }
    if (handle) travel = GetWidth() - handle->GetWidth();
    if (travel <= 0) travel = 1;
    work = new Bitmap(GetWidth(), GetHeight());
    track = new Bitmap(GetWidth(), GetHeight());
    track->EraseBitmap(-1);
}

void HSlider::mouse(int, int, int, bool down, GUI*) {
    // Only a press starts a drag: a release that merely ends over the slider (the press was
    // elsewhere) must not move it.
    if (down) dragging = true;
}

void HSlider::notify(int slot) {
    if (slot != 0 || !owner) return;
    value = owner->GetControlNormalisedValue(id, 0);
    redraw();
}

void HSlider::DoDrag(GUI* gui) {
    if (!handle || !gui) return;
    int x = 0, y = 0;
    gui->GetMousePos(&x, &y);
    value = ClampToUnit(static_cast<float>(x - rect.left - handle->GetWidth() / 2) /
                        static_cast<float>(travel));
    if (owner) owner->ControlHasChangedNormalisedValue(id, 0, value);
    draw(gui);
}

void HSlider::draw(GUI* gui) {
    if (IsHidden() || !gui || !track || !work) {
        needsRedraw = false;
        return;
    }
    const int w = GetWidth();
    const int h = GetHeight();
    if (!trackDrawn) {
        gui->RedirectOutputToBitmap(track, 0, 0);
        gui->LineFromTo(0, h / 2, w, h / 2);
        gui->RedirectOutputFromBitmap(track, 0, 0);
        trackDrawn = true;
    }
    track->BlitIntoBitmap(work, 0, 0, nullptr);
    if (handle) {
        const int x = static_cast<int>(static_cast<float>(travel) * ClampToUnit(value));
        handle->BlitIntoBitmap(work, x, 0, nullptr);
    }
    gui->DrawBitmap(work, &rect, nullptr);
    needsRedraw = false;
}
