#include "shell/application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keep settings and runtime files away from the user's folders. The
    // program's own application object, so that a failure escaping a handler
    // is shown as the program shows it.
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
