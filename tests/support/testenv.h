#pragma once
#include "platform/msgbox.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

// Records every message box and answers from a script (OK by default, or the
// first button of the box's kind).
class MsgRecorder {
public:
    MsgRecorder();
    ~MsgRecorder();
    MsgRecorder(const MsgRecorder&) = delete;
    MsgRecorder& operator=(const MsgRecorder&) = delete;

    // Answers for the next boxes, in order; when none is left: OK, or Yes for Yes/No boxes.
    void answer(int code) { m_answers.push_back(code); }
    const QList<MsgRecord>& boxes() const { return m_boxes; }
    int count() const { return m_boxes.size(); }
    MsgRecord last() const { return m_boxes.isEmpty() ? MsgRecord{} : m_boxes.last(); }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }

private:
    QList<MsgRecord> m_boxes;
    std::deque<int> m_answers;
};

// Answers file dialogs from a script and records them.
class FileDialogRecorder {
public:
    FileDialogRecorder();
    ~FileDialogRecorder();
    void answer(const QString& path) { m_answers.push_back(path); }
    const QList<FileDialogRecord>& dialogs() const { return m_dialogs; }

private:
    QList<FileDialogRecord> m_dialogs;
    std::deque<QString> m_answers;
};

// A fresh program folder with a new data file and export template; opens gDb
// on it and sets gAppPath/gDbPath and the start-up globals. Logged in as "001".
class ProgramFolder {
public:
    explicit ProgramFolder(bool openDb = true);
    ~ProgramFolder();
    QString path() const;              // with trailing "/"
    QString file(const QString& name) const { return path() + name; }
    void openDb();
    void closeDb();

private:
    QTemporaryDir m_dir;
};

// Base fixture: a program folder, an open database, a message recorder.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<MsgRecorder> msgs;
};

// Runs make-datafile (the real tool) and returns its exit code.
int RunMakeDatafile(const QStringList& args);
// Processes pending events for a while (repaints, deferred deletes).
void Pump(int ms = 0);
