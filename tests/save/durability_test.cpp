// SPDX-License-Identifier: MIT
#include "save/legacy.h"
#include "save_test_util.h"

#include <climits>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace savetest;

namespace {

using DurabilityTest = DataFolder;

size_t entries(const std::string& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

// A child saves an increasing counter in a loop, reports each completed save through a pipe
// and is killed at a random moment. The file must load and hold the last reported value or the
// one being saved when the child died. Half the runs die anywhere from the start (loading
// included), the others within the few saves after a completed one (~10 ms of flushing each).
TEST_F(DurabilityTest, KilledDuringSavesNeverLeavesABrokenOrOlderFile) {
    savedata::write(-1, "counter");
    ASSERT_TRUE(savedata::save());
    std::mt19937 rng(20261206);
    int killed_after_a_save = 0;
    for (int run = 0; run < 120; ++run) {
        SCOPED_TRACE(run);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (!savedata::load()) _exit(3);
            for (int i = savedata::read(0, "counter") + 1;; ++i) {
                savedata::write(i, "counter");
                // Padding makes the file large enough to be cut in the middle of a write.
                savedata::write(i, ("pad_" + std::to_string(i % 40)).c_str(), "padding");
                if (!savedata::save() || ::write(fds[1], &i, sizeof i) != sizeof i) _exit(4);
            }
        }
        close(fds[1]);
        int last = INT_MIN, v = 0, status = 0;
        if (run % 2 == 1 && ::read(fds[0], &v, sizeof v) == sizeof v) last = v;
        usleep(std::uniform_int_distribution<int>(0, run % 2 ? 30000 : 6000)(rng));
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself, status " << status;
        while (::read(fds[0], &v, sizeof v) == sizeof v)
            last = v;
        close(fds[0]);

        ASSERT_TRUE(savedata::load()) << readFile(plist);
        if (last != INT_MIN) {
            ++killed_after_a_save;
            EXPECT_GE(savedata::read(INT_MIN, "counter"), last);
            EXPECT_LE(savedata::read(INT_MIN, "counter"), last + 1);
        }
        EXPECT_EQ(entries(dir), 2u) << "the killed child's temporary file outlived a load";
    }
    EXPECT_GE(killed_after_a_save, 60) << "the kills must land during the loop";
}

// A child that cannot write to the data folder (as an unprivileged user when the tests run as
// root, where permission bits do not bind), then one whose writes fail as on a full disk; the
// exit code says which step went wrong.
TEST_F(DurabilityTest, FailedSavesKeepTheOldFilesAndTheGameGoesOn) {
    savedata::write(42, "level_1", "submitted");
    ASSERT_TRUE(savedata::save());
    const std::string before = readFile(plist);
    // An old save file with a best score of 9 on level 0.
    writeFile(dir + "/save.dat", std::string("kmz_sdat\x03\0\0\0\x09", 13) + std::string(27, '\0'));
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only folder" : "full disk");
        chmod(dir.c_str(), readOnly ? 0555 : 0755);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const rlimit tiny{64, 64};
            if (readOnly && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
            if (!readOnly &&
                (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &tiny)))
                _exit(91);
            if (!savedata::load() || savedata::read(0, "level_1", "submitted") != 42) _exit(10);
            savedata::write(43, "level_1", "submitted");
            if (savedata::save() || !savedata::modified) _exit(11);
            // The new value stays in memory for the next try, and the game goes on.
            if (savedata::read(0, "level_1", "submitted") != 43) _exit(12);
            fg::loadLegacy();
            if (savedata::read(0, "level_0", "best") != 9) _exit(13);
            _exit(logCount("Failed to save!") == 2 ? 0 : 14);
        }
        int status = -1;
        waitpid(pid, &status, 0);
        chmod(dir.c_str(), 0755);
        EXPECT_EQ(status, 0) << "exit code " << WEXITSTATUS(status);
        EXPECT_EQ(readFile(plist), before);
        EXPECT_TRUE(fs::exists(dir + "/save.dat")) << "the old file is the only copy of its scores";
        EXPECT_EQ(entries(dir), 3u);
    }

    // Once the folder is writable again, the import completes.
    ASSERT_TRUE(savedata::load());
    fg::loadLegacy();
    EXPECT_FALSE(fs::exists(dir + "/save.dat"));
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "level_0", "best"), 9);
}

} // namespace
