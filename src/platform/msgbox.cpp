#include "platform/msgbox.h"

#include "platform/platform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
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

namespace {
// Icons and types of the files a dialog lists, judged by name alone. Qt's own
// provider asks the MIME database, which opens and reads each file of the
// folder (also those the name filter hides): in the program folder that is
// the data file, its journal and its shared index, and closing such a
// descriptor drops every lock this process's engine holds on that file.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        return icon(info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info); // no file is read for a folder
        const QMimeType mime = m_mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeDatabase m_mimes;
};

// Qt's own dialog (a native one would list the folder its own way), with the
// icon provider above.
QString RunFileDialog(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter,
                      bool save)
{
    NameOnlyIconProvider icons;
    QFileDialog dialog(parent, title, initialPath, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // Before the dialog's first turn of the event loop: the folder's files
    // reach its model only then.
    dialog.setIconProvider(&icons);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The caller decides what an existing file means, so the dialog does not ask.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
} // namespace

QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter)
{
    NormalPointer pointer;
    if (fileResponder())
        return fileResponder()(FileDialogRecord{false, title, initialPath, filter});
    return RunFileDialog(parent, title, initialPath, filter, false);
}

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& initialPath, const QString& filter)
{
    NormalPointer pointer;
    if (fileResponder())
        return fileResponder()(FileDialogRecord{true, title, initialPath, filter});
    return RunFileDialog(parent, title, initialPath, filter, true);
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
