#pragma once

// Registers the system menu's windows and dialogs: operators, password change,
// data initialisation, backup and About.
void RegisterSystemWindows();
