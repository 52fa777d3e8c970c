#include "reports/report_windows.h"

#include "reports/c01.h"
#include "reports/c02.h"
#include "reports/c03.h"
#include "reports/c04.h"
#include "reports/c05.h"
#include "reports/c06.h"
#include "platform/window_registry.h"

void RegisterReportWindows()
{
    // The report windows open maximised inside the main window.
    const WindowRegistry::ChildOptions maximized{.maximized = true};
    WindowRegistry::registerChild("C01", [] { return new C01; }, maximized);
    WindowRegistry::registerChild("C02", [] { return new C02; }, maximized);
    WindowRegistry::registerChild("C03", [] { return new C03; }, maximized);
    WindowRegistry::registerChild("C04", [] { return new C04; }, maximized);
    // The notice gives the tool bar back but leaves the status bar as it is.
    WindowRegistry::registerChild("C05", [] { return new C05; }, {.maximized = true, .writesDateOnUnload = false});
    WindowRegistry::registerChild("C06", [] { return new C06; }, maximized);
}
