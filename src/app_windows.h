#pragma once

// Registers every window of the business areas with the main window's registry.
void RegisterAppWindows();
