// The replacing file: the target changes only on commit, and no temporary
// file outlives the object.

#include "common/replacing_file.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

TEST(ReplacingFile, TargetChangesOnlyOnCommit)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenlow-replace-XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string target = dir + "/out.csv";
    const auto content = [&] {
        std::ostringstream text;
        text << std::ifstream(target, std::ios::binary).rdbuf();
        return text.str();
    };
    const auto files = [&] {
        int n = 0;
        DIR* d = opendir(dir.c_str());
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
        return n;
    };

    std::ofstream(target) << "old";
    {
        tReplacingFile abandoned(target);
        abandoned.write("half");
        EXPECT_EQ(files(), 2); // the target and the temporary
    }
    EXPECT_EQ(content(), "old");
    EXPECT_EQ(files(), 1);
    {
        tReplacingFile file(target);
        file.write("new,");
        file.write("text\r\n");
        EXPECT_EQ(content(), "old");
        file.commit();
    }
    EXPECT_EQ(content(), "new,text\r\n");
    EXPECT_EQ(files(), 1);
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}

} // namespace
