// The Qt message boxes behind the user-message seam.
#include "app/qt_messages.h"
#include "common/program_title.h"
#include "modal_helper.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(QtMessages, WarningShowsTitleTextWithLineBreaksAndOk)
{
    tQtUserMessages messages;
    tSeenBox seen;
    answer_next_box("OK", &seen);
    messages.warning("INPUT ERROR\r\rEnter numeric data only.");
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.title, "Warning");
    EXPECT_EQ(seen.text, "INPUT ERROR\n\nEnter numeric data only.");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
}

TEST(QtMessages, ConfirmAnswersYesAndNo)
{
    tQtUserMessages messages;
    tSeenBox seen;
    answer_next_box("&Yes", &seen);
    EXPECT_TRUE(messages.confirm("Exit from program?"));
    EXPECT_EQ(seen.title, "Confirm");
    answer_next_box("&No");
    EXPECT_FALSE(messages.confirm("Exit from program?"));
}

TEST(QtMessages, GeneralErrorBoxAddsAFullStop)
{
    tSeenBox seen;
    answer_next_box("OK", &seen);
    show_general_error(std::runtime_error("Invalid numeric input"));
    EXPECT_EQ(seen.title, QString::fromStdString(AppTitle));
    EXPECT_EQ(seen.text, "Invalid numeric input.");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}
