#pragma once
// Ending the dialogs that are shown, for a program that has to end while one waits for the
// user.

namespace platform {

// Answers every dialog shown on the screen with Cancel, as its Cancel button or its close box
// would: GTK's dialogs, which the toolkit's message boxes and file choosers are, and the
// questions these ask in turn (whether to replace a file). Each returns from its modal loop
// once control is back in that loop.
void CancelShownDialogs();

}  // namespace platform
