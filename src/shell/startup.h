#pragma once
#include <QString>

// Start-up of the program in the program folder appDir: Qt in Chinese and the
// font names mapped (chinese_desktop.h), the shared state, the data file opened
// with its key, the main window and the log-in over it.
// Returns true when an operator has logged in and the program goes on in the
// main window's event loop; false when it ends here (the operator left the
// log-in, or start-up failed and the restore window has run). exitCode, when
// given, receives the code the program ends with.
bool Main(const QString& appDir, int* exitCode = nullptr);

// The language flag for a system locale id: 1028 gives 2, 1033 gives 0,
// 2052 gives 1; any other id keeps current.
int LangFlagForLocale(int localeId, int current);

// The program folder as the shared state keeps it: with one trailing "/".
QString ProgramFolderPath(const QString& dir);

// Ends the program at once: no close guard runs and no window stays open.
// The database is closed and the event loops are left (when one runs).
void EndProgram(int exitCode = 0);
// Whether EndProgram has run since the last reset (tests look at this).
bool ProgramEndRequested();
void ResetProgramEndRequest();
