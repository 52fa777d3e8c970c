#include "testenv.h"

#include "data/globals.h"
#include "data/schema.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>

MsgRecorder::MsgRecorder()
{
    SetMsgResponder([this](const MsgRecord& r) {
        m_boxes.append(r);
        if (!m_answers.empty()) {
            const int a = m_answers.front();
            m_answers.pop_front();
            return a;
        }
        switch (r.style & 7) {
        case vbStyle::YesNo:
        case vbStyle::YesNoCancel: return vbBtn::Yes;
        case vbStyle::RetryCancel: return vbBtn::Retry;
        default: return vbBtn::OK;
        }
    });
}

MsgRecorder::~MsgRecorder() { SetMsgResponder({}); }

QStringList MsgRecorder::texts() const
{
    QStringList out;
    for (const MsgRecord& r : m_boxes)
        out << r.text;
    return out;
}

FileDialogRecorder::FileDialogRecorder()
{
    SetFileDialogResponder([this](const FileDialogRecord& r) {
        m_dialogs.append(r);
        if (m_answers.empty())
            return QString();
        const QString a = m_answers.front();
        m_answers.pop_front();
        return a;
    });
}

FileDialogRecorder::~FileDialogRecorder() { SetFileDialogResponder({}); }

ProgramFolder::ProgramFolder(bool open)
{
    CreateDataFile(file("vembra.dat"));
    CreateExcelTemplate(file("excel.dat"));
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

void ProgramFolder::openDb() { gDb = Database::open(file("vembra.dat"), DataFileKey()); }
void ProgramFolder::closeDb() { gDb.reset(); }

void DataTest::SetUp()
{
    folder = std::make_unique<ProgramFolder>();
    msgs = std::make_unique<MsgRecorder>();
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
