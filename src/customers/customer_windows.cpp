#include "customers/customer_windows.h"

#include "customers/a03.h"
#include "customers/a030.h"
#include "customers/a04.h"
#include "customers/a05.h"
#include "customers/a06.h"
#include "platform/window_registry.h"

void RegisterCustomerWindows()
{
    WindowRegistry::registerChild("A03", [] { return new A03; }, {.maximized = true});
    WindowRegistry::registerChild("A030", [] { return new A030; });
    WindowRegistry::registerChild("A04", [] { return new A04; });
    WindowRegistry::registerChild("A05", [] { return new A05; });
    WindowRegistry::registerChild("A06", [] { return new A06; });
}
