#pragma once
#include <QString>
#include <functional>

class QWidget;

// VB-style message box. style = icon (16 critical, 32 question, 48 exclamation,
// 64 information) + buttons (0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel). Returns the button pressed as VB numbers it. A box (and a
// file chooser) is shown with the normal pointer, even during long work.
namespace vbBtn {
constexpr int OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
}
namespace vbStyle {
constexpr int OKOnly = 0, OKCancel = 1, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
constexpr int Critical = 16, Question = 32, Exclamation = 48, Information = 64;
}

int MsgBox(const QString& text, int style = 0, const QString& title = QString());

struct MsgRecord {
    QString text;
    int style = 0;
    QString title;
};

// A responder answers every box instead of the user (tests). An empty
// function restores real boxes.
using MsgResponder = std::function<int(const MsgRecord&)>;
void SetMsgResponder(MsgResponder responder);
bool HasMsgResponder();

// File choosers go through the same kind of hook.
struct FileDialogRecord {
    bool save = false;
    QString title;
    QString initialPath;
    QString filter;
};
using FileDialogResponder = std::function<QString(const FileDialogRecord&)>;
void SetFileDialogResponder(FileDialogResponder responder);
// Returns "" when the user cancels. The dialog is Qt's own and opens no file
// of the folder it lists: while the program has the data file open, nothing
// but the engine may open it or the files beside it.
QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter);
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter);

// Opening a document or URL with the desktop's handler, and starting a program
// without waiting for it. Tests install a recorder.
using OpenResponder = std::function<bool(const QString&)>;
void SetOpenResponder(OpenResponder responder);
bool OpenWithDesktop(const QString& urlOrPath);
bool StartProgram(const QString& path);
