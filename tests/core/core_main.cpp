#include <QGuiApplication>

#include <gtest/gtest.h>

// The core's tests run with a Gui application only: no widget is at hand.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
