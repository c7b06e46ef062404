#include "app/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The step that tests make fail, as its number plus one (0: none), and the error it fails with.
std::atomic<int> failingStep{0};
std::atomic<int> failingError{0};

// True, with errno set, when tests make step fail.
bool injectedFailure(AtomicWriteStep step) {
    if (failingStep.load() != static_cast<int>(step) + 1)
        return false;
    errno = failingError.load();
    return true;
}

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error) {
    throw FileError(what + " " + path.string() + ": " + std::strerror(error));
}

// Closes the descriptor and removes the temporary file unless the write was committed.
class TemporaryFile final {
public:
    explicit TemporaryFile(const fs::path& target) {
        std::string pattern = target.string() + ".XXXXXX";
        fd_ = injectedFailure(AtomicWriteStep::CreateTemporary) ? -1 : ::mkstemp(pattern.data());
        if (fd_ < 0)
            fail("cannot create a file beside", target, errno);
        path_ = pattern;
    }
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_; }
    const fs::path& path() const { return path_; }
    void closeChecked() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 || injectedFailure(AtomicWriteStep::Close))
            fail("cannot write", path_, errno);
    }
    void commit() { committed_ = true; }

private:
    int fd_ = -1;
    fs::path path_;
    bool committed_ = false;
};

} // namespace

void WriteFileAtomically(const fs::path& path, std::string_view data, fs::perms permissions) {
    TemporaryFile temp(path);
    if (injectedFailure(AtomicWriteStep::SetPermissions) ||
        ::fchmod(temp.fd(), static_cast<mode_t>(permissions)) != 0)
        fail("cannot set the permissions of", temp.path(), errno);
    const char* next = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written =
            injectedFailure(AtomicWriteStep::Write) ? -1 : ::write(temp.fd(), next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write", path, errno);
        }
        next += written;
        left -= std::size_t(written);
    }
    if (injectedFailure(AtomicWriteStep::Flush) || ::fsync(temp.fd()) != 0)
        fail("cannot write", path, errno);
    temp.closeChecked();
    if (injectedFailure(AtomicWriteStep::Rename) ||
        ::rename(temp.path().c_str(), path.c_str()) != 0)
        fail("cannot replace", path, errno);
    temp.commit();
}

AtomicWriteFault::AtomicWriteFault(AtomicWriteStep step, int error) {
    failingError = error;
    failingStep = static_cast<int>(step) + 1;
}

AtomicWriteFault::~AtomicWriteFault() {
    failingStep = 0;
}

std::string ReadFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open", path, errno);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            fail("cannot read", path, error);
        }
        if (got == 0)
            break;
        bytes.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return bytes;
}

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path folder = executable.parent_path();
        if (::access(folder.c_str(), W_OK) == 0)
            return folder;
    }
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".config";
    else
        base = fs::temp_directory_path();
    const fs::path folder = base / "site-wright";
    fs::create_directories(folder, ec);
    if (ec)
        throw FileError("cannot create the folder " + folder.string() + ": " + ec.message());
    return folder;
}
