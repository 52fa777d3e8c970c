#include "waybills/waybill_windows.h"

#include "shell/window_registry.h"

void RegisterWaybillWindows()
{
}
