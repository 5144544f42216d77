// GUI tests run under a QApplication, offscreen unless told otherwise; each
// test runs in a process of its own.
#include <QApplication>

#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // as the program does
    return RUN_ALL_TESTS();
}
