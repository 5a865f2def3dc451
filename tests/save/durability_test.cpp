#include "save/legacy.h"
#include "save/savedata.h"
#include "save_test_util.h"

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace savetest;

namespace {

using DurabilityTest = DataFolder;

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) out.push_back(e->d_name);
    if (d) closedir(d);
    return out;
}

// A child saves an increasing counter in a loop and reports each completed save through a
// pipe; it is killed at a random moment. Whatever the moment, the file must load and hold at
// least the last reported value (and at most the one being saved when it died).
TEST_F(DurabilityTest, KilledDuringSavesNeverLeavesABrokenOrOlderFile) {
    savedata::load();
    savedata::write(-1, "counter");
    ASSERT_TRUE(savedata::save());

    std::mt19937 rng(20261206);
    const int runs = 120;
    int killed_after_a_save = 0;
    for (int run = 0; run < runs; ++run) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            platform::setLogHook(nullptr);
            if (!savedata::load()) _exit(3);
            int base = savedata::read(0, "counter");
            for (int i = base + 1;; ++i) {
                savedata::write(i, "counter");
                // Make the file a little larger so a write can be cut in the middle.
                savedata::write(i, ("pad_" + std::to_string(i % 40)).c_str(), "padding");
                if (!savedata::save()) _exit(4);
                if (::write(fds[1], &i, sizeof i) != sizeof i) _exit(5);
            }
        }
        close(fds[1]);
        // Half the runs die anywhere from the start (loading included); the others once a
        // save has completed, somewhere within the next few saves (one takes ~10 ms of fsync).
        int last = INT_MIN, v = 0;
        if (run % 2 == 1 && ::read(fds[0], &v, sizeof v) == sizeof v) last = v;
        usleep(std::uniform_int_distribution<int>(0, run % 2 ? 30000 : 6000)(rng));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself, status " << status;

        while (::read(fds[0], &v, sizeof v) == sizeof v)
            last = v;
        close(fds[0]);

        SCOPED_TRACE(run);
        ASSERT_TRUE(savedata::load()) << readFile(plist);
        int stored = savedata::read(INT_MIN, "counter");
        if (last != INT_MIN) {
            ++killed_after_a_save;
            EXPECT_GE(stored, last);
            EXPECT_LE(stored, last + 1);
        }
        // Temporary files of the killed child are cleared by the next load.
        for (const std::string& name : entries(dir))
            EXPECT_EQ(name, "savedata.plist");
    }
    // The kills must land during the loop, not only before its first save.
    EXPECT_GE(killed_after_a_save, runs / 2);
}

// Runs fn in a child that cannot write to the data folder (as an unprivileged user when the
// tests run as root, where permission bits do not bind), and returns its exit status. The log
// lines the child saw come back through a pipe.
int runReadOnly(const std::string& dir, int (*fn)(), std::vector<std::string>& lines) {
    chmod(dir.c_str(), 0555);
    for (const std::string& name : entries(dir))
        chmod((dir + "/" + name).c_str(), 0644);
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        static int out;
        out = fds[1];
        platform::setLogHook([](const char* line) {
            std::string l = std::string(line) + "\n";
            if (::write(out, l.data(), l.size()) < 0) _exit(91);
        });
        _exit(fn());
    }
    close(fds[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    chmod(dir.c_str(), 0755);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(DurabilityTest, ReadOnlyFolderKeepsTheOldFileAndTheGameGoesOn) {
    savedata::load();
    savedata::write(true, "sound");
    savedata::write(42, "level_1", "submitted");
    ASSERT_TRUE(savedata::save());
    const std::string before = readFile(plist);
    // An old save file waiting to be imported.
    unsigned char record[40] = {'k', 'm', 'z', '_', 's', 'd', 'a', 't', 3};
    record[12] = 9;
    writeFile(dir + "/save.dat", record, sizeof record);

    std::vector<std::string> lines;
    int code = runReadOnly(
        dir,
        [] {
            if (!savedata::load()) return 10;
            if (savedata::read(0, "level_1", "submitted") != 42) return 11;
            savedata::write(43, "level_1", "submitted");
            if (savedata::save()) return 12;
            if (!savedata::modified) return 13;
            // In memory the new value is there; the next save tries again.
            if (savedata::read(0, "level_1", "submitted") != 43) return 14;
            fg::loadLegacy();
            if (savedata::read(0, "level_0", "best") != 9) return 15;
            return 0;
        },
        lines);
    ASSERT_NE(code, 90) << "could not drop privileges";
    EXPECT_EQ(code, 0);
    int failures = 0;
    for (const std::string& l : lines)
        failures += l == "Failed to save!";
    EXPECT_EQ(failures, 2); // the store's save and the import's save
    EXPECT_EQ(readFile(plist), before);
    EXPECT_TRUE(exists(dir + "/save.dat")) << "the old file is the only copy of its scores";
    for (const std::string& name : entries(dir))
        EXPECT_TRUE(name == "savedata.plist" || name == "save.dat") << name;

    // Once the folder is writable again, the import completes.
    ASSERT_TRUE(savedata::load());
    fg::loadLegacy();
    EXPECT_FALSE(exists(dir + "/save.dat"));
    ASSERT_TRUE(savedata::load());
    EXPECT_EQ(savedata::read(0, "level_0", "best"), 9);
}

} // namespace
