#include "views/StandardViewTypes.h"

#include "views/BitmapControl.h"
#include "views/Canvas.h"
#include "views/HSlider.h"
#include "views/Knob.h"
#include "views/PButton.h"
#include "views/Slider.h"
#include "views/Static.h"
#include "views/TextBox.h"
#include "views/ViewRegistry.h"

void RegisterStandardViewTypes() {
    AddViewType("BitmapControl", RegistrationHelper<BitmapControl>::Create);
    AddViewType("PButton", RegistrationHelper<PButton>::Create);
    AddViewType("Canvas", RegistrationHelper<Canvas>::Create);
    AddViewType("HSlider", RegistrationHelper<HSlider>::Create);
    AddViewType("Knob", RegistrationHelper<Knob>::Create);
    AddViewType("Slider", RegistrationHelper<Slider>::Create);
    AddViewType("TextBox", RegistrationHelper<TextBox>::Create);
    AddViewType("View", RegistrationHelper<View>::Create);
    AddViewType("Static", RegistrationHelper<Static>::Create);
}
