// Output files: complete or untouched, never half written; devices and FIFOs written in place.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bvh/OutputFile.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using bvhtest::lockFolder;
using bvhtest::makeSymlink;
using bvhtest::readFile;
using bvhtest::readWritten;
using bvhtest::runUnprivileged;
using bvhtest::writeFile;

/// Names in `folder`, to catch files left behind.
std::vector<std::string> listFolder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OutputFileTest : public bvhtest::TempFolderTest {};

TEST_F(OutputFileTest, CreatesANewFileWithTheWholeText) {
    const fs::path path = folder_ / "new.bvh";
    bvh::OutputFile out;
    ASSERT_TRUE(out.open(path.string())) << out.errorText();
    out.write("HIERARCHY");
    out.put('\n');
    char* at = out.reserve(3);
    at[0] = 'a';
    at[1] = 'b';
    out.commit(at + 2);
    EXPECT_FALSE(fs::exists(path)) << "nothing is at the path before finish()";
    ASSERT_TRUE(out.finish()) << out.errorText();
    EXPECT_EQ(readFile(path), std::string("HIERARCHY") + bvhtest::kLineEnd + "ab")
        << "a line ends as the system's text files end lines";
    EXPECT_EQ(listFolder(folder_), std::vector<std::string>{"new.bvh"}) << "no file left beside";
}

TEST_F(OutputFileTest, WritesMoreThanItsBufferHolds) {
    const fs::path path = folder_ / "big.bvh";
    std::string expected;
    bvh::OutputFile out;
    ASSERT_TRUE(out.open(path.string()));
    for (int i = 0; i < 300000; ++i) {
        const std::string line = std::to_string(i) + " \n";
        out.write(line);
        expected += line;
    }
    const std::string huge(3u << 20, 'x');  // larger than the buffer in one piece
    out.write(huge);
    expected += huge;
    ASSERT_TRUE(out.finish());
    // Compared as a whole: a line diff of megabytes would take far longer than the test.
    const std::string written = readWritten(path);
    EXPECT_TRUE(written == expected) << written.size() << " bytes for " << expected.size();
}

TEST_F(OutputFileTest, ReplacesAnExistingFileOnlyAtFinishAndKeepsItsPermissions) {
    const fs::path path = folder_ / "take.bvh";
    writeFile(path, "old text");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    bvh::OutputFile out;
    ASSERT_TRUE(out.open(path.string()));
    out.write("new text");
    EXPECT_EQ(readFile(path), "old text") << "the old file stays until the new one is complete";
    ASSERT_TRUE(out.finish());
    EXPECT_EQ(readWritten(path), "new text");
#ifndef _WIN32  // Windows knows only writable and read-only
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    EXPECT_EQ(listFolder(folder_), std::vector<std::string>{"take.bvh"});
}

TEST_F(OutputFileTest, DiscardLeavesTheOldFileAndNoTrace) {
    const fs::path path = folder_ / "keep.bvh";
    writeFile(path, "old text");
    {
        bvh::OutputFile out;
        ASSERT_TRUE(out.open(path.string()));
        out.write("half of a new file");
        out.discard();
    }
    {
        bvh::OutputFile out;  // destroyed unfinished
        ASSERT_TRUE(out.open(path.string()));
        out.write("another half");
    }
    EXPECT_EQ(readFile(path), "old text");
    EXPECT_EQ(listFolder(folder_), std::vector<std::string>{"keep.bvh"});
}

TEST_F(OutputFileTest, FailsInAMissingFolder) {
    bvh::OutputFile out;
    EXPECT_FALSE(out.open((folder_ / "missing" / "x.bvh").string()));
    EXPECT_EQ(out.errorText(), std::strerror(ENOENT));
    EXPECT_FALSE(out.finish()) << "a file that never opened cannot finish";
}

TEST_F(OutputFileTest, FailsOnAFullDevice) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    bvh::OutputFile out;
    ASSERT_TRUE(out.open("/dev/full")) << "a device is opened directly";
    out.write("HIERARCHY\n");
    EXPECT_FALSE(out.finish());
    EXPECT_EQ(out.errorText(), std::strerror(ENOSPC));
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "the device was not replaced";
}

// Where no file can be made beside an existing file that may be written, the file is
// written in place, and only in finish(): until then, and after a discard, it is as it was. A
// new file there, and a write-protected file anywhere, are still refused.
TEST_F(OutputFileTest, WritesInPlaceWhereNothingCanBeMadeBesideTheFile) {
    if (!bvhtest::canRunUnprivileged()) GTEST_SKIP() << "permissions do not bind here";
    const fs::path locked = folder_ / "locked";
    fs::create_directories(locked);
    writeFile(locked / "old.bvh", "old text, longer than the new");
    writeFile(locked / "kept.bvh", "kept text");
    // Only the folder stands in the way: the files may be written by anyone.
    for (const char* name : {"old.bvh", "kept.bvh"})
        fs::permissions(locked / name, fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::others_read | fs::perms::others_write);
    const fs::path protectedFile = folder_ / "protected.bvh";
    writeFile(protectedFile, "protected text");
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::others_read |
                                 fs::perms::others_exec | fs::perms::others_write);
    fs::permissions(protectedFile, fs::perms::owner_read | fs::perms::others_read);
    lockFolder(locked);
    const int code = runUnprivileged([&] {
        bvh::OutputFile discarded;
        if (!discarded.open((locked / "kept.bvh").string())) return 1;
        discarded.write("half of a new file");
        discarded.discard();
        bvh::OutputFile out;
        if (!out.open((locked / "old.bvh").string())) return 2;
        if (out.inPlaceReason() != std::strerror(EACCES)) return 3;
        out.write("new text");
        if (readFile(locked / "old.bvh") != "old text, longer than the new") return 4;
        if (!out.finish()) return 5;
        bvh::OutputFile created;
        if (created.open((locked / "new.bvh").string())) return 6;
        if (created.errorText() != std::strerror(EACCES)) return 7;
        bvh::OutputFile third;
        if (third.open(protectedFile.string())) return 8;
        return 0;
    });
    EXPECT_EQ(code, 0) << "1: the file refused, 2/3: not written in place for lack of "
                          "permission, 4: changed before finish, 5: not written, 6/7: a new file "
                          "made in a locked folder, 8: a write-protected file replaced";
    EXPECT_EQ(readWritten(locked / "old.bvh"), "new text") << "the old end is cut off";
    EXPECT_EQ(readFile(locked / "kept.bvh"), "kept text");
    EXPECT_EQ(listFolder(locked), (std::vector<std::string>{"kept.bvh", "old.bvh"}));
    EXPECT_EQ(readFile(protectedFile), "protected text");
}

// The file written beside the target has a short name of its own, whatever the target's: a
// name as long as file systems allow (255) less a little is created and replaced.
TEST_F(OutputFileTest, MakesAndReplacesAFileWithALongName) {
    const fs::path path = folder_ / (std::string(236, 'n') + ".bvh");
    for (const char* text : {"first text", "second"}) {
        bvh::OutputFile out;
        ASSERT_TRUE(out.open(path.string())) << out.errorText();
        EXPECT_EQ(out.inPlaceReason(), "");
        out.write(text);
        ASSERT_TRUE(out.finish()) << out.errorText();
        EXPECT_EQ(readWritten(path), text);
    }
    EXPECT_EQ(listFolder(folder_), std::vector<std::string>{path.filename().string()});
}

TEST_F(OutputFileTest, UpdatesTheFileThatALinkPointsTo) {
    fs::create_directories(folder_ / "real");
    const fs::path target = folder_ / "real" / "take.bvh";
    writeFile(target, "old text");
    const fs::path link = folder_ / "link.bvh";
    if (!makeSymlink(fs::path("real") / "take.bvh", link)) GTEST_SKIP() << "no symbolic links";
    const fs::path second = folder_ / "second.bvh";  // a link to a link
    fs::create_symlink(link, second);
    bvh::OutputFile out;
    ASSERT_TRUE(out.open(second.string()));
    out.write("new text");
    ASSERT_TRUE(out.finish()) << out.errorText();
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_TRUE(fs::is_symlink(second));
    EXPECT_EQ(readWritten(target), "new text");
    EXPECT_EQ(listFolder(folder_ / "real"), std::vector<std::string>{"take.bvh"});

    const fs::path dangling = folder_ / "dangling.bvh";
    fs::create_symlink(fs::path("real") / "created.bvh", dangling);
    bvh::OutputFile created;
    ASSERT_TRUE(created.open(dangling.string()));
    created.write("made");
    ASSERT_TRUE(created.finish());
    EXPECT_EQ(readWritten(folder_ / "real" / "created.bvh"), "made");
    EXPECT_TRUE(fs::is_symlink(dangling));
}

TEST_F(OutputFileTest, FailsOnALinkLoop) {
    if (!makeSymlink("b.bvh", folder_ / "a.bvh")) GTEST_SKIP() << "no symbolic links";
    fs::create_symlink("a.bvh", folder_ / "b.bvh");
    bvh::OutputFile out;
    EXPECT_FALSE(out.open((folder_ / "a.bvh").string()));
    EXPECT_EQ(out.errorText(), std::strerror(ELOOP));
}

TEST_F(OutputFileTest, WritesIntoAFifoThatIsReadAndRefusesOneThatIsNot) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are POSIX's";
#else
    const fs::path fifo = folder_ / "pipe.bvh";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    bvh::OutputFile unread;
    EXPECT_FALSE(unread.open(fifo.string())) << "nothing reads: the open must not wait";
    EXPECT_EQ(unread.errorText(), "no process reads from this FIFO");

    const int readEnd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    ::fcntl(readEnd, F_SETFL, ::fcntl(readEnd, F_GETFL) & ~O_NONBLOCK);
    bvh::OutputFile out;
    ASSERT_TRUE(out.open(fifo.string())) << out.errorText();
    std::string received;
    std::thread reader([&] {
        char chunk[4096];
        for (ssize_t n; (n = ::read(readEnd, chunk, sizeof chunk)) > 0;) received.append(chunk, n);
    });
    const std::string text(200000, 'v');  // more than a pipe holds: writes wait for the reader
    out.write(text);
    const bool finished = out.finish();
    reader.join();
    ::close(readEnd);
    EXPECT_TRUE(finished) << out.errorText();
    EXPECT_EQ(received, text);
    EXPECT_TRUE(fs::is_fifo(fifo)) << "the FIFO was not replaced by a file";
#endif
}

TEST_F(OutputFileTest, FailsOnAFolderOrNoNameAtThePath) {
    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {{folder_.string(), EISDIR},
                          {folder_.string() + "/", EISDIR},
                          {(folder_ / "nothing" / "").string(), EISDIR},
                          {"", ENOENT}};
    for (const Case& c : cases) {
        bvh::OutputFile out;
        EXPECT_FALSE(out.open(c.path)) << c.path;
        EXPECT_EQ(out.errorText(), std::strerror(c.error)) << c.path;
    }
    EXPECT_EQ(listFolder(folder_), std::vector<std::string>{}) << "nothing was created";
}

}  // namespace
