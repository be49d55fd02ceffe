// Runs modal dialogs through one place, so that tests can look at a dialog and close it
// with the result they choose instead of waiting for a user.
#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace fw {

// Gets the dialog, set up and ready to show; returns the result to act on.
using ModalHook = std::function<int(QDialog&)>;
void SetModalHook(ModalHook hook);

// exec() of the dialog, or the hook's answer when one is set.
int RunModal(QDialog& dialog);

// Shows a modeless dialog in front, with the keyboard in `field` (its text selected when it
// is a line or text edit).
void ShowModeless(QDialog& dialog, QWidget* field);

} // namespace fw
