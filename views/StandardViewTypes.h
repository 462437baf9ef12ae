#pragma once
// Registers the toolkit's own view types: the seven generic controls ("BitmapControl",
// "PButton", "Canvas", "HSlider", "Knob", "Slider", "TextBox"), then "View", then "Static".
// The application registers its custom types first and then calls this once at start-up.

void RegisterStandardViewTypes();
