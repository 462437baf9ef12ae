#pragma once
// Plain pixel drawing into a bitmap, clipped to it: filled and framed rectangles (half-open)
// and lines with both ends drawn.

#include "views/Bitmap.h"
#include "views/ViewDefinition.h"

void FillRectInBitmap(Bitmap* target, const PRect& r, long colour);
// The outline of the pixels left..right-1, top..bottom-1.
void FrameRectInBitmap(Bitmap* target, const PRect& r, long colour);
void DrawLineInBitmap(Bitmap* target, int x1, int y1, int x2, int y2, long colour);
