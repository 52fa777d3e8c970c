#pragma once
#include <QDialog>

// The data-restore window: copies a backup chosen by the operator over the
// data file, then ends the program so it restarts on the restored file.
class S32 : public QDialog {
    Q_OBJECT
public:
    explicit S32(QWidget* parent = nullptr);

    // "恢复数据".
    void restoreData();

    // Why source cannot replace the data file, or "" when it can: it must be
    // another file that opens with the data file's key and holds the operators.
    static QString checkSource(const QString& source);
};

// Why the data file cannot be replaced where it lies, or "": a read-only
// folder or data file is said so.
QString RestoreTargetRefusal(const QString& dataFile);

// Whether file is the data file itself (under any name or link) or one of
// the files the engine keeps beside it; asked of the system, nothing opened.
bool IsDataFileOrBeside(const QString& file, const QString& dataFile);
