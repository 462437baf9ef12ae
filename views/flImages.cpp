#include "views/flImages.h"

#include "views/PluginGUI.h"

const char* flInitLine(char** lines, int count, int n) {
    if (lines == nullptr || n < 1 || n > count || lines[n - 1] == nullptr) return "";
    return lines[n - 1];
}

Bitmap* flNamedImage(char** lines, int count, int n) {
    const char* name = flInitLine(lines, count, n);
    // A name ends at its first byte below 32 (read as a signed char, as the archive's name
    // comparison reads it), so an empty line names nothing.
    if (static_cast<signed char>(name[0]) < 32) return nullptr;
    Bitmap* image = PluginGUI::GetBitmap(name);
    return flHasImage(image) ? image : nullptr;
}

Bitmap* flNewImage(const PRect& r) {
    // A new store is black already.
    return new Bitmap(r.right - r.left, r.bottom - r.top);
}

void flCopyBackground(Bitmap* whole, const PRect& r, Bitmap* target) {
    if (!flHasImage(whole) || !flHasImage(target)) return;
    whole->BlitIntoBitmap(target, 0, 0, &r);
}

Bitmap* flBackgroundCrop(Bitmap* whole, const PRect& r) {
    if (!flHasImage(whole)) return nullptr;
    Bitmap* crop = flNewImage(r);
    flCopyBackground(whole, r, crop);
    return crop;
}
