#pragma once
#include <QString>
#include <string>

// The POSIX record locks a process holds on a file, as the system lists
// them in /proc/locks: "READ 128 128" (kind, first and last byte) for each
// range, sorted and joined with ", ". The engine's locks on the data file and its shared index
// are of this kind; the lock file's open-file-description locks are not.
std::string PosixLocksOn(const QString& path, qint64 pid);
std::string PosixLocksOn(const QString& path); // this process's
