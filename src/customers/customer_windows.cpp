#include "customer_windows.h"

#include "a030.h"
#include "a04.h"
#include "a05.h"
#include "a06.h"
#include "window_registry.h"

void RegisterCustomerWindows()
{
    WindowRegistry::registerChild("A030", [] { return new A030; });
    WindowRegistry::registerChild("A04", [] { return new A04; });
    WindowRegistry::registerChild("A05", [] { return new A05; });
    WindowRegistry::registerChild("A06", [] { return new A06; });
}
