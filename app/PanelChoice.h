#pragma once
// Which of the four device panels a main window shows, from the device state and the
// user's choice.

enum class PanelKind { Normal, HighRate, Compact, AC3 };

// The first match wins: AC3 passthrough on, then shrink mode, then a rate index above 2
// (88.2 or 96 kHz), else the normal panel.
inline PanelKind ChoosePanel(bool ac3Passthrough, float shrinkNormalised, float rateUnnormalised) {
    if (ac3Passthrough) return PanelKind::AC3;
    if (shrinkNormalised != 0.0f) return PanelKind::Compact;
    if (int(rateUnnormalised) > 2) return PanelKind::HighRate;
    return PanelKind::Normal;
}
