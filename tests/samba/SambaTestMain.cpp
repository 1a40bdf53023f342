// GoogleTest entry point for the tests against the test server: their helper processes
// (QProcess) want a Qt application object, and nothing here needs a display.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
