#include "app/ProjectPlug.h"

#include "views/StandardViewTypes.h"
#include "views/ViewRegistry.h"
#include "views/flButton.h"
#include "views/flCanvas.h"
#include "views/flFader.h"
#include "views/flKnob.h"
#include "views/flLed.h"
#include "views/flPPM.h"
#include "views/flPushButton.h"
#include "views/flTray.h"

namespace {

struct CustomViewType {
    const char* name;
    ViewFactory factory;
};

// In registry order: the custom types come before the toolkit's own.
const CustomViewType kCustomViewTypes[] = {
    {"flKnob", RegistrationHelper<flKnob>::Create},
    {"flKnob4", RegistrationHelper<flKnob4>::Create},
    {"flKnob5", RegistrationHelper<flKnob5>::Create},
    {"flHSlider", RegistrationHelper<flHSlider>::Create},
    {"flVSlider", RegistrationHelper<flVSlider>::Create},
    {"flVSlider2", RegistrationHelper<flVSlider2>::Create},
    {"flButton", RegistrationHelper<flButton>::Create},
    {"flButton3", RegistrationHelper<flButton3>::Create},
    {"flPushButton", RegistrationHelper<flPushButton>::Create},
    {"flTray5", RegistrationHelper<flTray5>::Create},
    {"flTray6", RegistrationHelper<flTray6>::Create},
    {"flCanvas", RegistrationHelper<flCanvas>::Create},
    {"flExtLed", RegistrationHelper<flExtLed>::Create},
    {"flRateLed", RegistrationHelper<flRateLed>::Create},
    {"flPPM", RegistrationHelper<flPPM>::Create},
    {"flLogoButton", RegistrationHelper<flLogoButton>::Create},
};

}  // namespace

void RegisterViewTypes() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    for (const CustomViewType& type : kCustomViewTypes) AddViewType(type.name, type.factory);
    RegisterStandardViewTypes();
}
