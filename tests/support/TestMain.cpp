// The main of every test program: the offscreen platform, Qt's test paths, the application object
// and the program's own image allocation limit.

#include <gtest/gtest.h>

#include <QStandardPaths>

#ifdef PIXMARL_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include "formats/Images.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    pixmarl::SetImageAllocationLimit();
    return RUN_ALL_TESTS();
}
