#include "system_windows.h"

#include "aboutus.h"
#include "backup.h"
#include "s02.h"
#include "s03.h"
#include "s2.h"
#include "window_registry.h"

void RegisterSystemWindows()
{
    WindowRegistry::registerChild("S02", [] { return new S02; });
    WindowRegistry::registerDialog("S2", [](QWidget* parent) {
        S2 dlg(parent);
        WindowRegistry::execModal(dlg);
    });
    WindowRegistry::registerDialog("S03", [](QWidget* parent) {
        S03 dlg(parent);
        WindowRegistry::execModal(dlg);
    });
    WindowRegistry::registerDialog("AboutUS", [](QWidget* parent) {
        AboutUS dlg(parent);
        WindowRegistry::execModal(dlg);
    });
    WindowRegistry::registerDialog("Backup", [](QWidget* parent) { RunBackup(parent); });
}
