#include "waybills/waybill_windows.h"

#include "platform/window_registry.h"
#include "waybills/b01.h"

void RegisterWaybillWindows()
{
    WindowRegistry::registerChild("B01", [] { return new B01; });
}
