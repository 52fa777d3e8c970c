#pragma once
#include "platform/msgbox.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

// True while a wait cursor is up.
bool BusyPointer();

// Records every message box and answers from a script.
//
// Lenient (the default): a box without a scripted answer gets OK, Yes for
// Yes/No boxes, Retry for Retry/Cancel. Strict: every box must be scripted, an
// unscripted one fails the test with its text; scripted boxes that never came
// fail it too when the recorder goes, and so does a box shown under the busy
// pointer. Boxes are scripted in the order they come:
//     msgs->setStrict(true);
//     msgs->expect("保存成功");                // the next box says this
//     msgs->expect("确实要删除", vbBtn::No);   // the one after; answered No
class MsgRecorder {
public:
    MsgRecorder();
    ~MsgRecorder();
    MsgRecorder(const MsgRecorder&) = delete;
    MsgRecorder& operator=(const MsgRecorder&) = delete;

    void setStrict(bool on) { m_strict = on; }
    bool strict() const { return m_strict; }
    // Each box runs an event loop of its own before it is answered, as a box
    // on a desktop does: what was queued (a menu's command) comes due under it.
    void setOwnLoop(bool on) { m_ownLoop = on; }
    // The next box, whatever it says, is answered with `code`.
    void answer(int code) { m_script.push_back({QString(), code}); }
    // The next box's text contains `text`; it is answered with `code`, or
    // without one as a lenient recorder would (Yes to a question).
    void expect(const QString& text, int code = 0) { m_script.push_back({text, code}); }
    // Scripted boxes not shown yet.
    int pending() const { return int(m_script.size()); }

    const QList<MsgRecord>& boxes() const { return m_boxes; }
    int count() const { return int(m_boxes.size()); }
    MsgRecord last() const { return m_boxes.isEmpty() ? MsgRecord{} : m_boxes.last(); }
    QStringList texts() const;
    void clear() { m_boxes.clear(); }
    // Boxes shown while a wait cursor was up.
    int busyCount() const { return m_busy; }

private:
    struct Scripted {
        QString text;
        int code;
    };
    int respond(const MsgRecord& r);
    static int defaultAnswer(int style);

    QList<MsgRecord> m_boxes;
    std::deque<Scripted> m_script;
    bool m_strict = false;
    bool m_ownLoop = false;
    int m_busy = 0;
};

// Answers file dialogs from a script and records them. A dialog without an
// answer is cancelled; in strict mode it also fails the test.
class FileDialogRecorder {
public:
    FileDialogRecorder();
    ~FileDialogRecorder();
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;
    void setStrict(bool on) { m_strict = on; }
    void answer(const QString& path) { m_answers.push_back(path); }
    const QList<FileDialogRecord>& dialogs() const { return m_dialogs; }

private:
    QList<FileDialogRecord> m_dialogs;
    std::deque<QString> m_answers;
    bool m_strict = false;
};

// How a program folder gets its data file: a copy of the one this build's
// make-datafile wrote for the tests, or written anew by CreateDataFile (for
// the tests of the file as written).
enum class NewDataFile { Copy, Create };

// Copies "vembra.dat" or "excel.dat" (the export template), as this build
// writes them for the tests, to `path`. Throws when it cannot.
void CopyTemplateFile(const QString& name, const QString& path);

// A fresh program folder with its own data file and export template; opens gDb
// on it and sets gAppPath/gDbPath and the start-up globals. Logged in as "001".
class ProgramFolder {
public:
    explicit ProgramFolder(bool openDb = true, NewDataFile how = NewDataFile::Copy);
    ~ProgramFolder();
    QString path() const;              // with trailing "/"
    QString file(const QString& name) const { return path() + name; }
    void openDb();
    void closeDb();

private:
    QTemporaryDir m_dir;
};

// Base fixture: a program folder, an open database, a message recorder. A
// suite that sets strictResponders in its constructor gets a strict recorder;
// one that sets dataFileFrom to NewDataFile::Create gets a data file written
// anew.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<MsgRecorder> msgs;
    bool strictResponders = false;
    NewDataFile dataFileFrom = NewDataFile::Copy;
};

// Counts the rows written into gDb while it lives, and how many of them were
// written under the wait cursor (a long fill shows it).
class WriteWatch {
public:
    WriteWatch();
    ~WriteWatch();
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;
    int rows = 0;
    int busyRows = 0;
};

// Runs make-datafile (the real tool) and returns its exit code.
int RunMakeDatafile(const QStringList& args);
// Processes pending events for a while (repaints, deferred deletes).
void Pump(int ms = 0);
// Saves a window's picture as <name>.png when SYSTEM_GRAB_DIR names a folder,
// for a look by eye (QT_QPA_PLATFORM=offscreen draws it as on a screen).
void GrabToPng(QWidget* w, const QString& name);
