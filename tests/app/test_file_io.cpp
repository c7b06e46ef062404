#include "app/file_io.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

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

TEST_F(FileIoTest, ReadingAMissingFileFails) {
    EXPECT_THROW(ReadFile(folder_ / "missing"), FileError);
}

TEST_F(FileIoTest, WriteInterruptedAtEveryStepKeepsTheOldFile) {
    const fs::path file = folder_ / "sitemap.xml";
    WriteFileAtomically(file, "old");
    for (AtomicWriteStep step :
         {AtomicWriteStep::CreateTemporary, AtomicWriteStep::SetPermissions, AtomicWriteStep::Write,
          AtomicWriteStep::Flush, AtomicWriteStep::Close, AtomicWriteStep::Rename}) {
        SCOPED_TRACE("step " + std::to_string(static_cast<int>(step)));
        {
            const AtomicWriteFault fault(step, ENOSPC);
            try {
                WriteFileAtomically(file, "new");
                ADD_FAILURE() << "the interrupted write succeeded";
            } catch (const FileError& error) {
                const std::string text = error.what();
                EXPECT_NE(text.find((folder_ / "sitemap.xml").string()), std::string::npos) << text;
                EXPECT_NE(text.find(std::strerror(ENOSPC)), std::string::npos) << text;
            }
        }
        EXPECT_EQ(ReadFile(file), "old");
        EXPECT_EQ(filesIn(folder_), 1u) << "a temporary file was left behind";
    }
    WriteFileAtomically(file, "new");
    EXPECT_EQ(ReadFile(file), "new");
}
