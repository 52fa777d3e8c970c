#pragma once
#include <functional>

class QDialog;

// Shows a dialog modally and returns its result. Every modal window of the
// program goes through here, so tests can work a dialog instead of a user: a
// driver installed with SetModalDriver gets the shown dialog and must leave it
// closed (or it is closed as cancelled). An empty driver restores exec().
// The dialog has the normal pointer, even when opened during long work.
using ModalDriver = std::function<void(QDialog& dialog)>;
void SetModalDriver(ModalDriver driver);
int ExecModal(QDialog& dialog);
