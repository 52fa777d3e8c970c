#include "app_windows.h"
#include "shell/application.h"
#include "shell/mform.h"
#include "shell/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    Application app(argc, argv);
    RegisterAppWindows();
    int exitCode = 0;
    if (!Main(QCoreApplication::applicationDirPath(), &exitCode))
        return exitCode;
    const int rc = app.exec();
    // Ended at once (backup, restore, "退 出"): the hidden main window is still there.
    delete MForm::current();
    return rc;
}
