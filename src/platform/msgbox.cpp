#include "platform/msgbox.h"

#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace {
MsgResponder& msgResponder()
{
    static MsgResponder r;
    return r;
}
FileDialogResponder& fileResponder()
{
    static FileDialogResponder r;
    return r;
}
OpenResponder& openResponder()
{
    static OpenResponder r;
    return r;
}

QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case vbStyle::Critical: return QMessageBox::Critical;
    case vbStyle::Question: return QMessageBox::Question;
    case vbStyle::Exclamation: return QMessageBox::Warning;
    case vbStyle::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}
} // namespace

void SetMsgResponder(MsgResponder responder) { msgResponder() = std::move(responder); }
bool HasMsgResponder() { return static_cast<bool>(msgResponder()); }

int MsgBox(const QString& text, int style, const QString& title)
{
    NormalPointer pointer;
    if (msgResponder())
        return msgResponder()(MsgRecord{text, style, title});

    // Messages break lines with carriage returns; the label breaks on line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(13), QChar(10));
    QMessageBox box(iconFor(style), title, shown, QMessageBox::NoButton, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    struct Btn { QString caption; int code; QMessageBox::ButtonRole role; };
    QList<Btn> buttons;
    switch (style & 0x7) {
    case vbStyle::OKCancel: buttons = {{"确定", vbBtn::OK, QMessageBox::AcceptRole}, {"取消", vbBtn::Cancel, QMessageBox::RejectRole}}; break;
    case vbStyle::YesNoCancel: buttons = {{"是(&Y)", vbBtn::Yes, QMessageBox::YesRole}, {"否(&N)", vbBtn::No, QMessageBox::NoRole}, {"取消", vbBtn::Cancel, QMessageBox::RejectRole}}; break;
    case vbStyle::YesNo: buttons = {{"是(&Y)", vbBtn::Yes, QMessageBox::YesRole}, {"否(&N)", vbBtn::No, QMessageBox::NoRole}}; break;
    case vbStyle::RetryCancel: buttons = {{"重试(&R)", vbBtn::Retry, QMessageBox::AcceptRole}, {"取消", vbBtn::Cancel, QMessageBox::RejectRole}}; break;
    default: buttons = {{"确定", vbBtn::OK, QMessageBox::AcceptRole}}; break;
    }
    QHash<QAbstractButton*, int> codes;
    for (const Btn& b : buttons)
        codes.insert(box.addButton(b.caption, b.role), b.code);
    box.exec();
    const int code = codes.value(box.clickedButton(), 0);
    if (code)
        return code;
    // Closed by Esc or the frame: VB answers Cancel, or No for a Yes/No box.
    return (style & 0x7) == vbStyle::YesNo ? vbBtn::No : ((style & 0x7) == vbStyle::OKOnly ? vbBtn::OK : vbBtn::Cancel);
}

void SetFileDialogResponder(FileDialogResponder responder) { fileResponder() = std::move(responder); }

QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter)
{
    NormalPointer pointer;
    if (fileResponder())
        return fileResponder()(FileDialogRecord{false, title, initialPath, filter});
    return QFileDialog::getOpenFileName(parent, title, initialPath, filter);
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter)
{
    NormalPointer pointer;
    if (fileResponder())
        return fileResponder()(FileDialogRecord{true, title, initialPath, filter});
    // The caller decides what an existing file means, so the dialog does not ask.
    return QFileDialog::getSaveFileName(parent, title, initialPath, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

void SetOpenResponder(OpenResponder responder) { openResponder() = std::move(responder); }

bool OpenWithDesktop(const QString& urlOrPath)
{
    if (openResponder())
        return openResponder()(urlOrPath);
    const QUrl url = urlOrPath.contains("://") || urlOrPath.startsWith("mailto:")
        ? QUrl(urlOrPath) : QUrl::fromLocalFile(urlOrPath);
    return QDesktopServices::openUrl(url);
}

bool StartProgram(const QString& path)
{
    if (openResponder())
        return openResponder()("program:" + path);
    return QProcess::startDetached(path, {});
}
