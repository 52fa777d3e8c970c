#include "shell/system_windows.h"

#include "shell/aboutus.h"
#include "shell/backup.h"
#include "shell/s02.h"
#include "shell/s03.h"
#include "shell/s2.h"
#include "platform/window_registry.h"

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
