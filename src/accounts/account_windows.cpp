#include "accounts/account_windows.h"

#include "shell/window_registry.h"

void RegisterAccountWindows()
{
}
