#include "shell/startup.h"

#include "shell/chinese_desktop.h"
#include "shell/login.h"
#include "shell/mform.h"
#include "shell/s32.h"
#include "shell/upgrade_window.h"
#include "platform/window_registry.h"

#include "data/datafile_lock.h"
#include "data/datafile_upgrade.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/schema.h"
#include "platform/msgbox.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QThread>
#include <memory>

namespace {
bool g_endRequested = false;
int g_exitCode = 0;

// Everything start-up built is taken down before the restore window runs:
// the main window never stays open without a data file and an operator.
void discardMainWindow()
{
    if (MForm* m = MForm::current()) {
        m->endNow();
        delete m;
    }
}
} // namespace

int LangFlagForLocale(int localeId, int current)
{
    switch (localeId) {
    case 1028: return 2;
    case 1033: return 0;
    case 2052: return 1;
    default: return current;
    }
}

QString ProgramFolderPath(const QString& dir)
{
    return dir.endsWith('/') ? dir : dir + '/';
}

bool Main(const QString& appDir, int* exitCode)
{
    g_exitCode = 0;
    // Before the first window: Qt's own texts and the fonts the windows ask for.
    InstallQtChinese();
    MapFontNames();
    gMoneyFmt = "#0.00";
    try {
        gEditing.clear();
        gLangFlag = LangFlagForLocale(SystemLocaleId(), gLangFlag);
        gMsgTitle = LangStr("提示");
        gAppPath = ProgramFolderPath(appDir);
        gDbPath = gAppPath + kDataFileName;
        // Never creates the file: a missing data file is a start-up failure,
        // as is one written by a newer program. An older one is brought up
        // to date, a copy of it left in the program folder: that may take a
        // while on a large file, shown in its own window until the log-in,
        // which repaints and answers the desktop throughout (the upgrade
        // runs beside the event loop).
        // This copy announces itself beside the data file for its whole life.
        std::unique_ptr<UpgradeWindow> upgrading;
        {
            WaitCursor wait;
            gDbLock.reset();
            gDbLock = std::make_unique<DataFileLock>(gDbPath);
            gDb = OpenDataFile(
                gDbPath, gAppPath, *gDbLock,
                [&upgrading](int done, int steps) {
                    if (!upgrading)
                        upgrading = std::make_unique<UpgradeWindow>();
                    upgrading->showStep(done, steps);
                },
                UpgradeRun::BesideEventLoop);
        }
        gDb->openReadConnectionWhenIdle();
        gCanSeePrices = true;

        auto* main = new MForm;
        main->setAttribute(Qt::WA_DeleteOnClose);
        main->showMaximized();

        bool loggedIn = false;
        upgrading.reset();
        {
            Login login(main);
            login.formLoad();
            loggedIn = WindowRegistry::execModal(login) == QDialog::Accepted;
        }
        if (!loggedIn) {
            // "退 出": the program ends before its event loop ever runs.
            EndProgram(0);
            discardMainWindow();
            gDbLock.reset();
            if (exitCode)
                *exitCode = g_exitCode;
            return false;
        }
        if (exitCode)
            *exitCode = 0;
        return true;
    } catch (const std::exception& e) {
        discardMainWindow();
        // Nothing of the file is held while the box waits for the operator:
        // another copy starting meanwhile neither takes this one for a copy
        // at work nor waits for it.
        gDb.reset();
        gDbLock.reset();
        MsgBox("程序启动错误!系统返回如下信息：" + QString(QChar(13)) + QChar(13) + QString::fromUtf8(e.what()),
               vbStyle::Exclamation, "Vembra Studio");
        // A file another running copy works on is no damaged file: a restore
        // over it would lose that copy's work, so no restore is offered.
        if (!dynamic_cast<const DataFileInUse*>(&e)) {
            S32 restore;
            WindowRegistry::execModal(restore);
        }
        g_endRequested = true;
        if (exitCode)
            *exitCode = 1;
        return false;
    }
}

void EndProgram(int exitCode)
{
    g_endRequested = true;
    g_exitCode = exitCode;
    if (MForm* m = MForm::current())
        m->endNow();
    gDb.reset();
    // At start-up no loop runs yet and Main's answer ends the program; later
    // every loop, modal ones included, is left.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(exitCode);
}

bool ProgramEndRequested() { return g_endRequested; }
void ResetProgramEndRequest() { g_endRequested = false; }
