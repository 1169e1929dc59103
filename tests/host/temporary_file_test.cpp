// The maker's temporary file is removed by every signal that ends the
// process while it is written, and the process still ends as the signal asks.
#include "maker/temporary_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace ZORVANE {
namespace {

int Entries(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.' || entry->d_name[1] > '.';
    closedir(dir);
    return count;
}

// A child that makes the file as the maker does (the faults' actions as in
// the plain build, without the sanitizers' handlers), says so and waits.
pid_t StartWriter(const std::string& folder, int ending, int& ready) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        signal(ending, SIG_DFL);
        std::string path;
        const bool made = CreateTemporaryFile(folder + "/.launcher-make-XXXXXX", path) >= 0;
        if (write(ends[1], made ? "y" : "n", 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(ends[1]);
    ready = ends[0];
    return child;
}

class TemporaryFile : public testing::TestWithParam<int> {};

TEST_P(TemporaryFile, EndingSignalsRemoveItAndStillEndTheProcess) {
    char made[] = "/tmp/temporary-file-XXXXXX";
    ASSERT_NE(mkdtemp(made), nullptr);
    int ready = -1;
    const pid_t writer = StartWriter(made, GetParam(), ready);
    ASSERT_GT(writer, 0);
    char answer = 0;
    ASSERT_EQ(read(ready, &answer, 1), 1);
    close(ready);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(Entries(made), 1);
    kill(writer, GetParam());
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam()) << status;
    EXPECT_EQ(Entries(made), 0) << "the partial file was left";
    rmdir(made);
}

INSTANTIATE_TEST_SUITE_P(Signals, TemporaryFile,
                         testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGXFSZ,
                                         SIGPIPE, SIGVTALRM, SIGPROF, SIGABRT, SIGSEGV, SIGBUS, SIGRTMIN, SIGRTMAX),
                         [](const testing::TestParamInfo<int>& info) {
                             const char* name = sigabbrev_np(info.param);
                             return name ? std::string(name) : "RT" + std::to_string(info.param);
                         });

// What a caller ignores, and a sanitizer's own fault handler, are left as they were.
TEST(TemporaryFile, IgnoredSignalsAndOtherHandlersAreKept) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previousUsr2 {
    }, segv{}, after{};
    sigaction(SIGUSR2, &ignore, &previousUsr2);
    sigaction(SIGSEGV, nullptr, &segv);
    std::string path;
    const int fd = CreateTemporaryFile("/tmp/.launcher-make-XXXXXX", path);
    ASSERT_GE(fd, 0);
    close(fd);
    unlink(path.c_str());
    ForgetTemporaryFile(path);
    sigaction(SIGUSR2, &previousUsr2, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(after.sa_sigaction, segv.sa_sigaction) << "the sanitizer's handler was replaced";
}

}  // namespace
}  // namespace ZORVANE
