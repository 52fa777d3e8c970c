#pragma once
#include <QString>

class QWidget;

// The system menu's backup command: copies the closed data file to a file the
// operator chooses, then ends the program (EndProgram: no close guard runs)
// so it restarts on a clean open.
void RunBackup(QWidget* parent);

// Where the save dialog starts: DataBak.dat in the user's home folder.
QString DefaultBackupPath();
