#include "shell/application.h"

#include "data/dberror.h"
#include "data/globals.h"
#include "dialogs/error_boundary.h"
#include "platform/desktop_habits.h"
#include "platform/msgbox.h"

#include <cstdio>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    InstallDesktopHabits(*this);
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // A failure met while the previous one is being shown (its message box
    // runs events too) is only written to the error stream.
    static bool showing = false;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        const auto* db = dynamic_cast<const DbError*>(&e);
        const QString text = db ? db->message() : QString::fromLocal8Bit(e.what());
        if (showing) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            return false;
        }
        showing = true;
        MsgBox(QString::fromUtf8(kCommandFailure) + QLatin1Char('\r') + text, vbStyle::Information, gMsgTitle);
        showing = false;
    }
    return false;
}
