#include "testenv.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/program_sql.h"
#include "data/schema.h"

#include <sqlcipher/sqlite3.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

MsgRecorder::MsgRecorder()
{
    SetMsgResponder([this](const MsgRecord& r) { return respond(r); });
}

MsgRecorder::~MsgRecorder()
{
    SetMsgResponder({});
    // An expected text that never showed is a box the window failed to give.
    for (const Scripted& s : m_script)
        if (m_strict || !s.text.isEmpty())
            ADD_FAILURE() << "scripted message box never shown: \"" << s.text.toStdString() << "\"";
}

bool BusyPointer()
{
    const QCursor* c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

int MsgRecorder::respond(const MsgRecord& r)
{
    m_boxes.append(r);
    if (m_ownLoop) {
        // Long enough for queued events and timers to run, and what they
        // delete later to go.
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (BusyPointer()) {
        ++m_busy;
        if (m_strict)
            ADD_FAILURE() << "message box under the busy pointer: \"" << r.text.toStdString() << "\"";
    }
    if (!m_script.empty()) {
        const Scripted s = m_script.front();
        m_script.pop_front();
        if (!r.text.contains(s.text))
            ADD_FAILURE() << "message box \"" << r.text.toStdString() << "\" where \"" << s.text.toStdString()
                          << "\" was scripted";
        return s.code ? s.code : defaultAnswer(r.style);
    }
    if (m_strict)
        ADD_FAILURE() << "unscripted message box: \"" << r.text.toStdString() << "\" (style " << r.style
                      << ", title \"" << r.title.toStdString() << "\")";
    return defaultAnswer(r.style);
}

int MsgRecorder::defaultAnswer(int style)
{
    switch (style & 7) {
    case vbStyle::YesNo:
    case vbStyle::YesNoCancel: return vbBtn::Yes;
    case vbStyle::RetryCancel: return vbBtn::Retry;
    default: return vbBtn::OK;
    }
}

QStringList MsgRecorder::texts() const
{
    QStringList out;
    for (const MsgRecord& r : m_boxes)
        out << r.text;
    return out;
}

WriteWatch::WriteWatch()
{
    sqlite3_update_hook(
        Db().handle(),
        [](void* self, int, const char*, const char*, sqlite3_int64) {
            auto* w = static_cast<WriteWatch*>(self);
            ++w->rows;
            if (BusyPointer())
                ++w->busyRows;
        },
        this);
}

WriteWatch::~WriteWatch()
{
    sqlite3_update_hook(Db().handle(), nullptr, nullptr);
}

FileDialogRecorder::FileDialogRecorder()
{
    SetFileDialogResponder([this](const FileDialogRecord& r) {
        m_dialogs.append(r);
        if (m_answers.empty()) {
            if (m_strict)
                ADD_FAILURE() << "unscripted file dialog: \"" << r.title.toStdString() << "\"";
            return QString();
        }
        const QString a = m_answers.front();
        m_answers.pop_front();
        return a;
    });
}

FileDialogRecorder::~FileDialogRecorder() { SetFileDialogResponder({}); }

void CopyTemplateFile(const QString& name, const QString& path)
{
    const QString from = QStringLiteral(DATAFILE_TEMPLATE_DIR "/") + name;
    if (!QFileInfo(from).isFile())
        throw std::runtime_error(qPrintable(from + " is missing: build the target datafile_template"));
    if (!QFile::copy(from, path))
        throw std::runtime_error(qPrintable("cannot copy " + from + " to " + path));
}

ProgramFolder::ProgramFolder(bool open, NewDataFile how)
{
    if (how == NewDataFile::Create)
        CreateDataFile(file("vembra.dat"));
    else
        CopyTemplateFile("vembra.dat", file("vembra.dat"));
    CopyTemplateFile("excel.dat", file("excel.dat"));
    // Templates are part of the program folder.
    QDir tdir(QStringLiteral(SOURCE_DIR) + "/templates");
    for (const QString& f : tdir.entryList({"*.rpt"}, QDir::Files))
        QFile::copy(tdir.filePath(f), file(f));
    gAppPath = path();
    gDbPath = file("vembra.dat");
    gMsgTitle = "提示";
    gMoneyFmt = "#0.00";
    gEditing.clear();
    gUserCode = "001";
    gUserName = "管理员";
    gCanEditShipped = gCanSeePrices = gCanEditAccounts = true;
    // Settings go into this folder, never into the user's.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path() + "settings");
    if (open)
        openDb();
}

ProgramFolder::~ProgramFolder() { closeDb(); }

QString ProgramFolder::path() const { return m_dir.path() + "/"; }

void ProgramFolder::openDb() { gDb = Database::open(file("vembra.dat"), DataFileKey(), ProgramSql()); }
void ProgramFolder::closeDb() { gDb.reset(); }

void DataTest::SetUp()
{
    folder = std::make_unique<ProgramFolder>(true, dataFileFrom);
    msgs = std::make_unique<MsgRecorder>();
    msgs->setStrict(strictResponders);
}

void DataTest::TearDown()
{
    msgs.reset();
    folder.reset();
}

int RunMakeDatafile(const QStringList& args)
{
    return QProcess::execute(QStringLiteral(MAKE_DATAFILE_PATH), args);
}

void Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (t.elapsed() < ms);
}

void GrabToPng(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("SYSTEM_GRAB_DIR");
    if (dir.isEmpty())
        return;
    const bool shown = w->isVisible();
    w->show();
    Pump();
    w->grab().save(QDir(dir).filePath(name + ".png"));
    if (!shown)
        w->hide();
}
