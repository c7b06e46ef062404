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

// A file descriptor that is closed when it goes, unless it was released first.
class Descriptor final {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
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
// WriteFileAtomically of the process, so that tests can interrupt a write at each step on any
// file system.
class AtomicWriteFault final {
public:
    AtomicWriteFault(AtomicWriteStep step, int error);
    ~AtomicWriteFault();
    AtomicWriteFault(const AtomicWriteFault&) = delete;
    AtomicWriteFault& operator=(const AtomicWriteFault&) = delete;
};

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
// program never keeps its files there.
std::filesystem::path ProgramFolderFor(const std::filesystem::path& executableFolder);

// ProgramFolderFor(ExecutableFolder()).
std::filesystem::path ProgramFolder();
