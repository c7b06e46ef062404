#pragma once

#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// A file operation that failed; what() names the file and, on a line of its own, the system's
// reason.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces path with data as a whole: the bytes go to a temporary file in the same folder,
// which is flushed to disk and then renamed over path. On any failure the old file is left
// as it was, the temporary file is removed and FileError is thrown.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                         std::filesystem::perms permissions = std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write |
                                                              std::filesystem::perms::group_read |
                                                              std::filesystem::perms::others_read);

// A file written in pieces and replaced as a whole: the bytes go, buffered, to a temporary
// file beside target, which Commit flushes to disk and renames over target or over another file
// of the same folder. Until then the old file stays as it was; destroyed uncommitted, the
// temporary file is removed. FileError on any failure.
class AtomicFile final {
public:
    explicit AtomicFile(const std::filesystem::path& target,
                        std::filesystem::perms permissions = std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Puts what is buffered into the temporary file, for a caller that reads it back.
    void Flush();
    const std::filesystem::path& temporaryPath() const { return path_; }
    void Commit() { Commit(target_); }
    void Commit(const std::filesystem::path& target);

private:
    void writeAll(std::string_view bytes);
    void discard();

    std::filesystem::path target_;
    std::filesystem::path path_; // the temporary file; empty once renamed or removed
    int fd_ = -1;
    bool spared_; // by a test's AtomicWriteFault
    std::string buffer_;
};

// What WriteFileAtomically puts between the target's name and six random characters in the
// name of its temporary file ("sitemap.xml.swtmp-a1B2c3"), so that a later run can tell its
// own files left by a kill or a power cut.
inline constexpr std::string_view kTemporaryMark = ".swtmp-";
bool IsTemporaryName(std::string_view name);
// Removes the temporary files of folder whose names start with prefix; only for a caller that
// knows no write of them is going on (it holds the FolderLock).
void RemoveStaleTemporaries(const std::filesystem::path& folder, std::string_view prefix);

// One writer of a program folder at a time: held, while it lives, on the folder's lock file
// (flock, so that a killed process releases it). Held() is false when another process or
// another FolderLock holds it.
class FolderLock final {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return held_; }

private:
    int fd_;
    bool held_ = true;
};
inline constexpr std::string_view kLockFileName = "sitewright.lock";

// A file descriptor that is closed when it goes, unless it was released first.
class Descriptor final {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// The steps of WriteFileAtomically, in their order.
enum class AtomicWriteStep { CreateTemporary, SetPermissions, Write, Flush, Close, Rename };

// Test seam: while one lives, step fails with error (an errno value) in every
// WriteFileAtomically of the process after the first sparedWrites, so that tests can interrupt
// a write at each step on any file system.
class AtomicWriteFault final {
public:
    AtomicWriteFault(AtomicWriteStep step, int error, int sparedWrites = 0);
    ~AtomicWriteFault();
    AtomicWriteFault(const AtomicWriteFault&) = delete;
    AtomicWriteFault& operator=(const AtomicWriteFault&) = delete;
};

// Throws FileError when path cannot be opened for reading or is no regular file.
void CheckRegularFile(const std::filesystem::path& path);

// The whole file as bytes. Throws FileError when it cannot be read, when it is no regular file
// (a FIFO would block, a device such as /dev/zero never end) or when it holds more than
// maxBytes.
std::string ReadFile(const std::filesystem::path& path,
                     std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// The folder of the running executable; empty when the system does not tell.
std::filesystem::path ExecutableFolder();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, otherwise
// ~/.config, the home taken from the password database when HOME is unset; empty when there is
// no home at all.
std::filesystem::path UserConfigurationFolder();

// The folder that holds the settings, the window's geometry file and sitemap.xml for an
// executable in executableFolder: that folder when it is writable and not a "bin" folder (a
// portable install), otherwise UserConfigurationFolder()/site-wright, created on demand. A bin
// folder such as /usr/bin is shared by every program, and root may write into it, so an installed
// program never keeps its files there. With create false the folder is only named, so that a
// command that merely reads leaves no trace.
std::filesystem::path ProgramFolderFor(const std::filesystem::path& executableFolder,
                                       bool create = true);

// ProgramFolderFor(ExecutableFolder(), create).
std::filesystem::path ProgramFolder(bool create = true);
