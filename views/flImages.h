#pragma once
// Helpers shared by the custom controls: reading init-text lines, looking up named images and
// cutting background crops, and bringing a stored value into the range a picture can show.
//
// A named image comes from the panels' shared cache and is never deleted by a control. A
// background crop is a new image of a view's size holding the part of a whole-panel image
// under the view's rectangle; the control that asks for it owns it.

#include "views/Bitmap.h"
#include "views/ViewDefinition.h"

// Line n (counted from 1) of an init text; "" when the text has fewer lines. The line ends at
// its "\n" or at the NUL.
const char* flInitLine(char** lines, int count, int n);

// The cached image named by line n, NULL when the line is missing or empty, when the archive
// holds no such image or when its bytes could not be decoded.
Bitmap* flNamedImage(char** lines, int count, int n);

// Whether an image can be drawn from or blended with.
inline bool flHasImage(const Bitmap* b) {
    return b != nullptr && b->ThereIsBitmapData();
}

// A new black image of the rectangle's size (a composing image starts from known pixels).
Bitmap* flNewImage(const PRect& r);

// Copies the part of the whole-panel image under r into target at (0, 0); nothing when the
// image is missing.
void flCopyBackground(Bitmap* whole, const PRect& r, Bitmap* target);

// A new background crop of r, NULL when the whole-panel image is missing.
Bitmap* flBackgroundCrop(Bitmap* whole, const PRect& r);
