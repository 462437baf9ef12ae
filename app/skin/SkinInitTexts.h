#pragma once
// The init texts of the skin rows, one macro per kind of control. Each expands to a string
// literal: its lines joined by "\n", no newline after the last. The argument is the panel's
// background image name, so one layout key serves every panel.
//
// They are macros so that the pieces join at compile time into one literal that a row can
// point at for the life of the program.

#define SKIN_NONE ""
#define SKIN_CANVAS(bg) bg
#define SKIN_EXT(bg) "SampleRateLedExt.bmp\n" bg
#define SKIN_INUSE(bg) "InUse.bmp\n" bg
#define SKIN_LCK(bg) "Lck.bmp\n" bg
#define SKIN_RATE1(bg) "SampleRateLed1.bmp\nGrayLed.bmp\n" bg "\n1"
#define SKIN_RATE2(bg) "SampleRateLed2.bmp\nGrayLed.bmp\n" bg "\n2"
#define SKIN_RATE3(bg) "SampleRateLed2.bmp\nGrayLed.bmp\n" bg "\n3"
#define SKIN_RATE4(bg) "SampleRateLed3.bmp\nGrayLed.bmp\n" bg "\n4"
#define SKIN_METER(bg) "Meter.bmp\n" bg "\nMeterClip.bmp"
#define SKIN_METER2(bg) "Meter.bmp\n" bg "\nMeterclip.bmp"
#define SKIN_FADER(bg) "FaderHandle.bmp\nFaderHandleMask.bmp\nFaderTrayMask.bmp\n" bg
#define SKIN_XFADER(bg) "XFaderHandle.bmp\nXFaderHandleMask.bmp\nXFaderTrayMask.bmp\n" bg
#define SKIN_KNOB5(bg) \
    "KnobRotation.bmp\nKnobMask.bmp\nKnobTrackRotation.bmp\nKnobTrackMask.bmp\n" bg
#define SKIN_KNOB4A(bg) \
    "KnobRotation.bmp\nKnobMask.bmp\nKnobTrackRotation2.bmp\nKnobTrackMask2.bmp\n" bg "\n0"
#define SKIN_KNOB4B(bg) \
    "KnobRotation.bmp\nKnobMask.bmp\nKnobTrackRotation2.bmp\nKnobTrackMask2.bmp\n" bg "\n1"
#define SKIN_MUTE(bg) "Mute.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_DIM(bg) "Dim.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_ENABLE(bg) "Enable.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_MONO(bg) "Mono.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_COVER(bg) "MonoCover.bmp\nMonoMask.bmp\n" bg
#define SKIN_HIGAIN(bg) "HiGain.bmp\nHiGainMask.bmp\n" bg
// No mask: the empty middle line names no image, so the lit picture is copied whole.
#define SKIN_HIGAIN0(bg) "HiGain.bmp\n\n" bg
#define SKIN_PUSHS(bg) "PushSingle.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_PUSH1(bg) "PushDouble1.bmp\nButtonLitMask.bmp\n" bg
#define SKIN_PUSH2(bg) "PushDouble2.bmp\nButtonLitMask.bmp\n" bg
