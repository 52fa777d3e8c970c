#include "pricing/pricing_windows.h"

#include "pricing/s01.h"
#include "shell/window_registry.h"

void RegisterPricingWindows()
{
    WindowRegistry::registerDialog("S01", [](QWidget* parent) {
        S01 dlg(parent);
        WindowRegistry::execModal(dlg);
    });
}
