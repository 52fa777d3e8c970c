#pragma once

// Registers the statistical report windows with the main window's registry.
void RegisterReportWindows();
