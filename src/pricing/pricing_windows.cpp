#include "pricing/pricing_windows.h"

#include "shell/window_registry.h"

void RegisterPricingWindows()
{
}
