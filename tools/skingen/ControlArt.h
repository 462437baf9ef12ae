#pragma once
// Painters of the controls. Each draws one control into an image at a rectangle, lit or
// unlit; the panel backgrounds use the unlit state at every control's place, and the lit
// pictures of the archive are cut from the same painters, so the two always line up.

#include "tools/skingen/Image.h"
#include "views/ViewDefinition.h"

// The lamp colour of a switch, chosen by what it does.
enum class SwitchKind { Mute, Dim, Enable, Mono, Push };

// 15 x 15 switch: a dark bezel round a cap; lit, the cap glows in the switch's colour.
void PaintSwitch(Image& image, const PRect& r, SwitchKind kind, bool lit);
// Cap area of a switch, used as the blend mask of the lit pictures.
void PaintSwitchMask(Image& image, const PRect& r);

// Small round high-gain switch on its own square plate; fully opaque.
void PaintHighGain(Image& image, const PRect& r, bool lit);
void PaintHighGainMask(Image& image, const PRect& r);

// A round lamp on a square plate, filling its rectangle; fully opaque.
void PaintLamp(Image& image, const PRect& r, Colour lamp, bool lit);
// The sample-rate column: four lamps at a pitch of 8 rows on one plate; `litIndex` is
// 1 to 4, or 0 for none.
void PaintRateColumn(Image& image, const PRect& r, int litIndex);
constexpr int kRateLedPitch = 8;
constexpr int kRateLedHeight = 13;

// Status window with a legend ("IN USE", "LOCK") that glows when lit; fully opaque.
void PaintStatusWindow(Image& image, const PRect& r, const char* line1, const char* line2,
                       Colour lamp, bool lit);

// Meter: an LED ladder, green to yellow to red from the bottom up. Unlit it is the dark
// slot of the background; `clip` lights every segment red.
void PaintMeter(Image& image, const PRect& r, bool lit, bool clip);

// Fader groove with scale marks (vertical), the balance groove (horizontal).
void PaintFaderSlot(Image& image, const PRect& r);
void PaintBalanceSlot(Image& image, const PRect& r);
// Knob recess under the scale ring.
void PaintKnobWell(Image& image, const PRect& r);

// Film strips and their masks.
constexpr int kKnobFrames = 29;
constexpr int kPointerPitch = 20;
constexpr int kPointerSize = 19;
constexpr int kTrackPitch = 27;
constexpr int kTrackHeight = 25;
// Pointer angle, in degrees clockwise from straight up, of each frame: the middle of the
// range of values that picks the frame.
double KnobFrameAngle(int frame);
Image KnobPointerStrip();
Image KnobPointerMask();
// The scale ring: `fromCentre` lights from the top (pan), otherwise from the start (level).
Image KnobTrackStrip(bool fromCentre);
Image KnobTrackMask();

constexpr int kFaderHandleWidth = 21;
constexpr int kFaderHandleHeight = 26;
Image FaderHandle();
Image FaderHandleMask();
constexpr int kBalanceHandleWidth = 12;
constexpr int kBalanceHandleHeight = 15;
Image BalanceHandle();
Image BalanceHandleMask();
// The whole control rectangle: the handle shows wherever it travels.
Image OpaqueMask(int width, int height);

// The cover laid over the mono switch while the level link holds it.
Image MonoCover();
Image MonoCoverMask();

// The maker's emblem in the logo area.
void PaintLogo(Image& image, const PRect& r);
