#pragma once

class QApplication;

// What the operators' desktop does in every window, set once for the whole
// application so that no window has to remember it:
// - Enter (alone, or the keypad's) on a focused command button presses it.
//   No command button becomes a default that Enter in a box would press; a
//   button a window makes its default on purpose stays one.
// - An editable list keeps exactly what was typed: nothing is completed from
//   its items.
void InstallDesktopHabits(QApplication& app);
