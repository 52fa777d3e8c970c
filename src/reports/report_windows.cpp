#include "reports/report_windows.h"

#include "shell/window_registry.h"

void RegisterReportWindows()
{
}
