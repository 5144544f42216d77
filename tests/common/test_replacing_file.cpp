// The replacing file: the target changes only on commit, and no temporary
// file outlives the object.

#include "common/errors.h"
#include "common/replacing_file.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

class ReplacingFile : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        const char* tmp = std::getenv("TMPDIR");
        dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenlow-replace-XXXXXX";
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }

    std::string slurp(const std::string& name)
    {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int entries()
    {
        int n = 0;
        DIR* d = opendir(dir.c_str());
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
        return n;
    }
};

TEST_F(ReplacingFile, TargetChangesOnlyOnCommit)
{
    std::ofstream(dir + "/out.csv") << "old";
    {
        tReplacingFile file(dir + "/out.csv");
        file.write("new,");
        file.write("text\r\n");
        EXPECT_EQ(slurp("out.csv"), "old");
        EXPECT_EQ(entries(), 2); // the target and the temporary
        file.commit();
    }
    EXPECT_EQ(slurp("out.csv"), "new,text\r\n");
    EXPECT_EQ(entries(), 1);
    {
        tReplacingFile abandoned(dir + "/out.csv");
        abandoned.write("half");
    }
    EXPECT_EQ(slurp("out.csv"), "new,text\r\n");
    EXPECT_EQ(entries(), 1);
}

TEST_F(ReplacingFile, FolderOrMissingFolderIsRefusedAtOnce)
{
    EXPECT_THROW(tReplacingFile(dir + "/no/such/folder.csv"), EInOutError);
    ASSERT_EQ(mkdir((dir + "/taken.csv").c_str(), 0700), 0);
    EXPECT_THROW(tReplacingFile(dir + "/taken.csv"), EInOutError);
    EXPECT_EQ(entries(), 1);
}

} // namespace
