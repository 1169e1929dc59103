// Every output of the maker goes through one gate: nothing it must not
// replace is replaced, and a failure publishes none of the outputs.
#include "maker/output_set.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace ZORVANE {
namespace {

std::string Contents(const std::string& path) {
    std::ifstream read(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(read), {});
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = dir ? readdir(dir) : nullptr) {
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
    }
    if (dir) closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

FileIdentity IdentityOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return {status.st_dev, status.st_ino};
}

// A folder of the things an output may be pointed at.
class OutputGate : public testing::Test {
protected:
    void SetUp() override {
        char made[] = "/tmp/output-set-XXXXXX";
        ASSERT_NE(mkdtemp(made), nullptr);
        folder_ = made;
        std::ofstream(At("taken")) << "mine";
        std::ofstream(At("input")) << "package";
        ASSERT_EQ(link(At("input").c_str(), At("hard link").c_str()), 0);
        ASSERT_EQ(symlink(At("input").c_str(), At("link").c_str()), 0);
        ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
        ASSERT_EQ(symlink("/dev/null", At("null").c_str()), 0);
        ASSERT_EQ(pipe(pipe_), 0);
        ASSERT_EQ(symlink(("/proc/self/fd/" + std::to_string(pipe_[1])).c_str(), At("stdout").c_str()), 0);
        ASSERT_EQ(mkdir(At("dir").c_str(), 0700), 0);
        ASSERT_EQ(symlink("nowhere", At("dangling").c_str()), 0);
    }
    void TearDown() override {
        close(pipe_[0]);
        close(pipe_[1]);
        std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    std::string At(const std::string& name) const { return folder_ + "/" + name; }

    // The one line a refused check writes, or "" when the output passes.
    std::string CheckLine(const std::vector<std::string>& paths, bool replace) {
        OutputSet outputs(replace);
        for (const std::string& path : paths) outputs.Add(path, 0666);
        testing::internal::CaptureStderr();
        const bool passed = outputs.Check({IdentityOf(At("input"))});
        const std::string line = testing::internal::GetCapturedStderr();
        EXPECT_EQ(passed, line.empty()) << line;
        return line;
    }

    std::string folder_;
    int pipe_[2] = {-1, -1};
};

TEST_F(OutputGate, RefusesWhatItMustNotReplace) {
    const struct {
        std::vector<std::string> names;
        bool replace;
        const char* refusal;  // empty: passes
    } cases[] = {
        {{"new"}, false, ""},
        {{"taken"}, false, "taken: File exists (use --force to replace it)"},
        {{"taken"}, true, ""},
        {{"dangling"}, false, "File exists"},
        {{"dangling"}, true, ""},
        {{"input"}, true, "input: is also an input"},
        {{"hard link"}, true, "hard link: is also an input"},
        {{"link"}, true, "link: is also an input"},
        {{"fifo"}, true, "fifo: not a regular file"},
        {{"null"}, true, "null: not a regular file"},
        {{"stdout"}, true, "stdout: not a regular file"},
        {{"dir"}, true, "dir: Is a directory"},
        {{"none/new"}, false, "none/new: No such file or directory"},
        {{"taken/new"}, false, "taken/new: Not a directory"},
        {{"new", "dir/../new"}, false, "dir/../new: named for two outputs"},
        {{"new", "dir/new"}, false, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> paths;
        for (const std::string& name : c.names) paths.push_back(At(name));
        const std::string line = CheckLine(paths, c.replace);
        EXPECT_NE(line.find(c.refusal), std::string::npos) << c.names.back() << ": " << line;
        EXPECT_EQ(line.empty(), *c.refusal == '\0') << c.names.back() << ": " << line;
        EXPECT_LE(std::count(line.begin(), line.end(), '\n'), 1) << line;
    }
    EXPECT_EQ(Contents(At("taken")), "mine");
    EXPECT_EQ(Contents(At("input")), "package");
}

TEST_F(OutputGate, AFailureAfterStagingPublishesNothing) {
    {
        OutputSet outputs(false);
        const std::size_t first = outputs.Add(At("first"), 0666), second = outputs.Add(At("second"), 0666);
        ASSERT_TRUE(outputs.Check({}));
        ASSERT_TRUE(outputs.StageText(first, "1") && outputs.StageText(second, "2"));
        std::ofstream(At("second")) << "theirs";  // taken while the outputs were written
        testing::internal::CaptureStderr();
        EXPECT_FALSE(outputs.Publish());
        EXPECT_NE(testing::internal::GetCapturedStderr().find("second: File exists"), std::string::npos);
    }
    EXPECT_EQ(Contents(At("second")), "theirs");
    EXPECT_EQ(Names(folder_), (std::vector<std::string>{"dangling", "dir", "fifo", "hard link", "input", "link", "null",
                                                        "second", "stdout", "taken"}));

    OutputSet outputs(true);
    const std::size_t taken = outputs.Add(At("taken"), 0666), fresh = outputs.Add(At("fresh"), 0666);
    ASSERT_TRUE(outputs.Check({}));
    ASSERT_TRUE(outputs.StageText(taken, "replaced") && outputs.StageText(fresh, "new"));
    EXPECT_TRUE(outputs.Publish());
    EXPECT_EQ(Contents(At("taken")), "replaced");
    EXPECT_EQ(Contents(At("fresh")), "new");
}

}  // namespace
}  // namespace ZORVANE
