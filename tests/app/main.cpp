// GUI tests run under a QApplication, offscreen unless told otherwise; each
// test runs in a process of its own.
#include "modal_helper.h"

#include <QApplication>

#include <clocale>

#include <gtest/gtest.h>

namespace {

// A watcher for a box that never came must not act on a box of the next test
// (when a test program runs several tests in one process).
class tCancelModalWatchers : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { cancel_modal_watchers(); }
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // as the program does
    ::testing::UnitTest::GetInstance()->listeners().Append(new tCancelModalWatchers);
    return RUN_ALL_TESTS();
}
