#include "pricing/pricing_windows.h"

#include "pricing/a01.h"
#include "pricing/a011.h"
#include "pricing/a02.h"
#include "pricing/s01.h"
#include "platform/window_registry.h"

void RegisterPricingWindows()
{
    WindowRegistry::registerChild("A01", [] { return new A01; });
    WindowRegistry::registerChild("A011", [] { return new A011; });
    WindowRegistry::registerChild("A02", [] { return new A02; });
    WindowRegistry::registerDialog("S01", [](QWidget* parent) {
        S01 dlg(parent);
        WindowRegistry::execModal(dlg);
    });
}
