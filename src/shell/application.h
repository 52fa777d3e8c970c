#pragma once
#include <QApplication>

// The program's application object. A database failure (or any other
// exception) that escapes an event handler, a menu command, a button or a
// grid event is shown to the operator instead of ending the program; the
// window stays as it was and the operator can go on. Every window follows
// the desktop's habits (InstallDesktopHabits).
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
