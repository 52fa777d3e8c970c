#pragma once
#include <QString>
#include <functional>

class QWidget;

// The system menu's backup command: copies the closed data file to a file the
// operator chooses, then ends the program so it restarts on a clean open.
void RunBackup(QWidget* parent);

// How the command ends the program. The default is the program's own
// EndProgram (no close guard runs); tests install their own.
using ProgramEnder = std::function<void()>;
void SetBackupProgramEnder(ProgramEnder ender);

// Where the save dialog starts: DataBak.dat in the user's home folder.
QString DefaultBackupPath();
