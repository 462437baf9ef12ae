#pragma once
// How the application's own logic tells the user of a failure: the windowing side shows a
// message box, tests record the texts.

#include <string>

class UserMessages {
  public:
    virtual ~UserMessages() = default;
    // An error box: caption "Error", an OK button and the error icon.
    virtual void ShowError(const std::string& text) = 0;
};
