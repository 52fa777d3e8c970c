#include "app_windows.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RegisterAppWindows();
    QMainWindow w;
    w.setWindowTitle("捷诺达raredade");
    w.show();
    return app.exec();
}
