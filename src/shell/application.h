#pragma once
#include <QApplication>

// The program's application object. It installs the error boundary that
// every command and widget signal runs in (RunCommandGuarded), so a failure
// of a menu command, a button or a grid event is shown with the window's own
// words. A failure that still escapes an event handler reaches notify, the
// last net: it is shown to the operator instead of ending the program, the
// window stays as it was and the operator can go on. Every window follows the
// desktop's habits (InstallDesktopHabits).
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // How many failures the last net has caught since the start.
    static int netCatches() { return s_netCatches; }

private:
    static int s_netCatches;
};
