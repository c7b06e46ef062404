#include "core/file_io.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FileIoTest : public ::testing::Test {
protected:
    TempFolder tempFolder_{"sw_file_io"};
    const fs::path folder_ = tempFolder_.Path();
};

std::size_t filesIn(const fs::path& folder) {
    return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST_F(FileIoTest, WritesReplacesAndSetsPermissions) {
    const fs::path file = folder_ / "config_v1.dat";
    WriteFileAtomically(file, std::string("first\0x", 7),
                        fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(file), std::string("first\0x", 7));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    WriteFileAtomically(file, "second");
    EXPECT_EQ(ReadFile(file), "second");
    EXPECT_EQ(filesIn(folder_), 1u) << "no temporary file is left behind";
}

TEST_F(FileIoTest, FailedWriteKeepsOldFileAndNamesThePath) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const fs::path file = folder_ / "sitemap.xml";
    WriteFileAtomically(file, "old");
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::remove);
    try {
        WriteFileAtomically(file, "new");
        FAIL() << "write into a read-only folder succeeded";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos);
    }
    EXPECT_EQ(ReadFile(file), "old");
}

TEST_F(FileIoTest, FailedRenameKeepsOldFileAndRemovesTemporary) {
    // A folder in the target's place makes the final rename fail after the data is written.
    const fs::path target = folder_ / "sitemap.xml";
    fs::create_directory(target);
    fs::create_directory(target / "keep");
    EXPECT_THROW(WriteFileAtomically(target, "data"), FileError);
    EXPECT_TRUE(fs::is_directory(target / "keep"));
    EXPECT_EQ(filesIn(folder_), 1u);
}

TEST_F(FileIoTest, ReadingNamesTheFileAndTakesOnlyABoundedRegularFile) {
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path big = folder_ / "big";
    WriteFileAtomically(big, std::string(100, 'x'));
    const std::pair<fs::path, std::string> cases[] = {
        {folder_ / "missing", "」を開けません。\r\n" + std::string(std::strerror(ENOENT))},
        {fifo, "」は通常のファイルではありません。"},
        {"/dev/zero", "」は通常のファイルではありません。"},
        {big, "」は大きすぎます（上限 99 バイト）。"},
    };
    for (const auto& [path, rest] : cases) {
        try {
            ReadFile(path, 99);
            ADD_FAILURE() << path << " was read";
        } catch (const FileError& error) {
            EXPECT_EQ(error.what(), "「" + path.string() + rest);
        }
    }
    EXPECT_EQ(ReadFile(big, 100), std::string(100, 'x'));
}

TEST_F(FileIoTest, WriteInterruptedAtEveryStepKeepsTheOldFile) {
    const fs::path file = folder_ / "sitemap.xml";
    WriteFileAtomically(file, "old");
    // Each step's failure names the file (or the temporary file beside it) in Japanese, then
    // gives the system's reason.
    const std::pair<AtomicWriteStep, std::string> steps[] = {
        {AtomicWriteStep::CreateTemporary, "」を書き込むための一時ファイルを作成できません。"},
        {AtomicWriteStep::SetPermissions, "」のアクセス権を設定できません。"},
        {AtomicWriteStep::Write, "」に書き込めません。"},
        {AtomicWriteStep::Flush, "」に書き込めません。"},
        {AtomicWriteStep::Close, "」に書き込めません。"},
        {AtomicWriteStep::Rename, "」を置き換えられません。"},
    };
    for (const auto& [step, lead] : steps) {
        SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
        {
            const AtomicWriteFault fault(step, ENOSPC);
            try {
                WriteFileAtomically(file, "new");
                ADD_FAILURE() << "the interrupted write succeeded";
            } catch (const FileError& error) {
                const std::string text = error.what();
                EXPECT_EQ(text.rfind("「" + file.string(), 0), 0u) << text;
                const std::string end = lead + "\r\n" + std::strerror(ENOSPC);
                ASSERT_GE(text.size(), end.size()) << text;
                EXPECT_EQ(text.substr(text.size() - end.size()), end) << text;
            }
        }
        EXPECT_EQ(ReadFile(file), "old");
        EXPECT_EQ(filesIn(folder_), 1u) << "a temporary file was left behind";
    }
    WriteFileAtomically(file, "new");
    EXPECT_EQ(ReadFile(file), "new");
}

// A portable copy keeps its files beside itself; an installed one (in a bin folder, or in a
// folder it cannot write) keeps them in the user's configuration folder, made on demand.
TEST_F(FileIoTest, ProgramFolderIsBesideAPortableCopyAndInTheConfigurationOtherwise) {
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string savedXdg =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const fs::path home = folder_ / "home";
    ::setenv("HOME", home.c_str(), 1);
    fs::create_directories(folder_ / "portable");
    fs::create_directories(folder_ / "usr" / "bin");
    fs::create_directories(folder_ / "locked");
    fs::permissions(folder_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const bool lockedIsWritable = ::access((folder_ / "locked").c_str(), W_OK) == 0; // root

    struct Case {
        fs::path executableFolder;
        std::string xdg;
        fs::path expected;
    };
    const Case cases[] = {
        {folder_ / "portable", "", folder_ / "portable"},
        {folder_ / "usr" / "bin", "", home / ".config" / "site-wright"},
        {folder_ / "usr" / "bin", (folder_ / "xdg").string(), folder_ / "xdg" / "site-wright"},
        // A relative XDG_CONFIG_HOME is invalid and ignored.
        {folder_ / "usr" / "bin", "relative/xdg", home / ".config" / "site-wright"},
        {folder_ / "locked", "",
         lockedIsWritable ? folder_ / "locked" : home / ".config" / "site-wright"},
        {fs::path(), "", home / ".config" / "site-wright"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executableFolder.string());
        ::setenv("XDG_CONFIG_HOME", c.xdg.c_str(), 1);
        fs::remove_all(home);
        EXPECT_EQ(ProgramFolderFor(c.executableFolder), c.expected);
        EXPECT_TRUE(fs::is_directory(c.expected));
    }
    // Without HOME the account's home stands in, never a shared temporary folder.
    const passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    ::unsetenv("HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigurationFolder(), fs::path(account->pw_dir) / ".config");
    ::setenv("HOME", savedHome.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    if (savedXdg.empty())
        ::unsetenv("XDG_CONFIG_HOME");
}
