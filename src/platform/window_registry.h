#pragma once
#include <QString>
#include <functional>

#include "platform/modal.h"

class ChildWindow;
class QDialog;
class QWidget;

// The one place through which the main window opens the data windows and the
// modal dialogs. Each window registers itself under the system's name for it.
//
// Modeless windows are created on first use and reused while they stay loaded.
// A command that gives a kind or a caption hands them to the window's
// openAs() - before formLoad() on first use; an open window only gets openAs()
// and sets itself up anew there.
namespace WindowRegistry {

using ChildFactory = std::function<ChildWindow*()>;
using DialogRunner = std::function<void(QWidget* parent)>;

struct ChildOptions {
    bool maximized = false;
    // Whether unloading writes today's date into status panel 4 (the
    // problem-item notice leaves the panel as it is).
    bool writesDateOnUnload = true;
};

void registerChild(const QString& name, ChildFactory factory, ChildOptions options = {});
void registerDialog(const QString& name, DialogRunner runner);
bool isRegistered(const QString& name);

// Opens (or brings back) a modeless child window. openAs(lb, caption) runs
// when either is given (lb != 0 or caption not empty). Returns the window.
ChildWindow* openChild(const QString& name, int lb = 0, const QString& caption = QString());
// Runs a modal dialog; an unregistered name opens an empty placeholder dialog.
void runDialog(const QString& name, QWidget* parent);

// The platform's modal driver (modal.h), under the registry's names.
using ModalDriver = ::ModalDriver;
void setModalDriver(ModalDriver driver);
int execModal(QDialog& dialog);

// The loaded instance of a child window, or nullptr.
ChildWindow* loaded(const QString& name);
// Closes every loaded child window; false when one refused.
bool closeAll();

} // namespace WindowRegistry
