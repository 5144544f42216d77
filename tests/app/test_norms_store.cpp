// The user's file of sets as two programs of one user meet it (where the
// one-program guard could not hold): neither replaces the file with a copy
// older than what is on disk; and a file that cannot be read is named, left
// as it is, and never replaced by the built-in set without asking.
#include "app/norms_store.h"
#include "child_process_unix.h"
#include "common/errors.h"
#include "message_recorder.h"
#include "required_tool.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace {

tNormativeSet named(const char* name, extended reliability)
{
    tNormativeSet set = built_in_normative_set();
    set.name = name;
    set.rels.fill(reliability);
    return set;
}

class NormsStore : public ::testing::Test, public tRecordingTest {
protected:
    QTemporaryDir folder;
    std::string path = folder.filePath(QStringLiteral("orvane_norms.txt")).toStdString();

    tNormsStore store() const
    {
        tNormsStore s;
        s.path = path;
        return s;
    }
    std::string text() const { return file_text(path); }
};

} // namespace

TEST_F(NormsStore, TwoProgramsKeepEachOthersSets)
{
    tNormsStore first = store(), second = store();
    first.load();
    second.load();
    ASSERT_TRUE(first.put(named("Set A", 0.9L)));
    ASSERT_TRUE(second.put(named("Set B", 0.8L)));
    ASSERT_TRUE(second.choose("Set A"));
    EXPECT_TRUE(recorder.messages.empty());
    const tNormsText on_disk = parse_normative_sets_file(text());
    ASSERT_EQ(on_disk.sets.size(), 2u);
    EXPECT_EQ(on_disk.sets[0].name, "Set A");
    EXPECT_EQ(on_disk.sets[1].name, "Set B");
    EXPECT_EQ(on_disk.chosen, "Set A");

    // A set the other program changed is not overwritten unasked: the
    // question declined, the other's figures stay and are shown.
    first.load(); // as the dialog reads the file again when it opens
    ASSERT_TRUE(first.put(named("Set B", 0.85L), "Set B"));
    EXPECT_TRUE(recorder.messages.empty());
    const std::string before = text();
    EXPECT_FALSE(second.remove("Set B"));
    ASSERT_EQ(recorder.texts(tRecordedMessage::Confirm).size(), 1u);
    EXPECT_EQ(text(), before);
    ASSERT_NE(second.set_named("Set B"), nullptr);
    EXPECT_EQ(second.set_named("Set B")->rels[0], 0.85L);
    recorder.answers.push_back(true);
    EXPECT_TRUE(first.remove("Set A")); // unchanged elsewhere: no question
    EXPECT_EQ(recorder.texts(tRecordedMessage::Confirm).size(), 1u);
    EXPECT_TRUE(second.put(named("Set A", 0.7L), "Set A")); // deleted elsewhere: asked, kept
    EXPECT_EQ(parse_normative_sets_file(text()).sets.size(), 2u);
}

// Another user's file with a chosen set, in a program folder others may
// write, is refused and named; nothing replaces it, and its choice counts as
// lost, which Compute asks about (test_norms_dialog).
TEST_F(NormsStore, APlantedFileIsRefusedAndNeverReplaced)
{
    if (geteuid() != 0)
        SKIP_OR_FAIL_WITHOUT("root, to plant a file as another user");
    const std::string planted = "chosen: Edition B\n\n" + normative_set_text(named("Edition B", 0.9L));
    std::ofstream(path) << planted;
    ASSERT_EQ(chown(path.c_str(), 4242, 4242), 0);
    tNormsStore s = store();
    EXPECT_THROW(s.load(), EInOutError);
    EXPECT_EQ(s.unreadable(), "'" + path + "' belongs to another user; it is not read");
    EXPECT_TRUE(s.chosen_lost());
    EXPECT_EQ(s.chosen_data(), nullptr);
    EXPECT_THROW(s.put(named("Mine", 0.9L)), EInOutError);
    EXPECT_EQ(text(), planted);
}

// A file that names a chosen set it does not hold is not a quiet fallback
// either; one that chose none is read as it is.
TEST_F(NormsStore, AChosenSetMissingFromTheFileIsSaid)
{
    std::ofstream(path) << "chosen: Edition C\n\n" << normative_set_text(named("Edition B", 0.9L));
    tNormsStore s = store();
    EXPECT_THROW(s.load(), EInOutError);
    EXPECT_TRUE(s.chosen_lost());
    EXPECT_TRUE(s.unreadable().empty());
    ASSERT_TRUE(s.choose("Edition B")); // the file says again what is chosen
    EXPECT_FALSE(s.chosen_lost());
    EXPECT_TRUE(s.may_compute());
    EXPECT_TRUE(recorder.messages.empty());
}
