#include "customer_windows.h"

#include "window_registry.h"

void RegisterCustomerWindows()
{
}
