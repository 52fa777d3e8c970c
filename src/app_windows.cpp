#include "app_windows.h"

#include "customers/customer_windows.h"
#include "shell/system_windows.h"

// Each area registers its windows with the main window's registry.
void RegisterAppWindows()
{
    RegisterSystemWindows();
    RegisterCustomerWindows();
}
