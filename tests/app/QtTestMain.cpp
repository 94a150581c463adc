// GoogleTest main for programs that create widgets: one QApplication for the
// whole run, offscreen unless the caller chose a platform (test discovery
// runs the program at build time, outside CTest's environment).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
