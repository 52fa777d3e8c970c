#include "system_windows.h"

#include "window_registry.h"

void RegisterSystemWindows()
{
}
