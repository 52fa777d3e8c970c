#include "shell/application.h"

#include "data/dberror.h"
#include "dialogs/error_boundary.h"
#include "platform/desktop_habits.h"

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    InstallDesktopHabits(*this);
    SetCommandBoundary(&RunCommandGuarded);
}

int Application::s_netCatches = 0;

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ++s_netCatches;
        const auto* db = dynamic_cast<const DbError*>(&e);
        ShowUnexpectedFailure(db ? db->message() : QString::fromLocal8Bit(e.what()));
    }
    return false;
}
