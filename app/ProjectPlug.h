#pragma once
// The control panel's view types. Called once at start-up, before any panel is built.

// Registers the sixteen custom "fl" types, then the toolkit's own types (the generic
// controls, "View" and "Static"). A second call registers nothing.
void RegisterViewTypes();
