#include "core/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text_util.h"
#include "core/texts.h"

namespace fs = std::filesystem;

namespace {

// The step that tests make fail, as its number plus one (0: none), and the error it fails with.
std::atomic<int> failingStep{0};
std::atomic<int> failingError{0};
// Writes that go through before the failing one.
std::atomic<int> writesToSpare{0};

// True, with errno set, when tests make step fail in a write that is not spared.
bool injectedFailure(AtomicWriteStep step, bool spared) {
    if (spared || failingStep.load() != static_cast<int>(step) + 1)
        return false;
    errno = failingError.load();
    return true;
}

[[noreturn]] void fail(std::string_view what, const fs::path& path, int error) {
    throw FileError(
        Concat({Filled(what, {{"file", path.string()}}), texts::kLineBreak, std::strerror(error)}));
}

// Bytes gathered before they go to the file: a system call per sitemap element would cost
// more than building it.
constexpr std::size_t kWriteBuffer = 65536;

} // namespace

bool IsTemporaryName(std::string_view name) {
    const std::size_t mark = name.rfind(kTemporaryMark);
    return mark != std::string_view::npos && mark > 0 &&
           name.size() - mark - kTemporaryMark.size() == 6;
}

void RemoveStaleTemporaries(const fs::path& folder, std::string_view prefix) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0 && IsTemporaryName(name))
            fs::remove(entry.path(), error);
    }
}

FolderLock::FolderLock(const fs::path& folder)
    : fd_(::open((folder / kLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    // A folder where no lock file can be made is one where nothing can be written either:
    // the write says so itself.
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd_);
        fd_ = -1;
        held_ = false;
    }
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

Descriptor::~Descriptor() {
    if (fd_ >= 0)
        ::close(fd_);
}

AtomicFile::AtomicFile(const fs::path& target, fs::perms permissions)
    : target_(target), spared_(failingStep.load() != 0 && writesToSpare.fetch_sub(1) > 0) {
    std::string pattern = Concat({target.string(), kTemporaryMark, "XXXXXX"});
    fd_ =
        injectedFailure(AtomicWriteStep::CreateTemporary, spared_) ? -1 : ::mkstemp(pattern.data());
    if (fd_ < 0)
        fail(texts::kCannotCreateTemporary, target, errno);
    path_ = pattern;
    if (injectedFailure(AtomicWriteStep::SetPermissions, spared_) ||
        ::fchmod(fd_, static_cast<mode_t>(permissions)) != 0) {
        const int error = errno;
        const fs::path temporary = path_;
        discard();
        fail(texts::kCannotSetPermissions, temporary, error);
    }
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!path_.empty())
        ::unlink(path_.c_str());
    path_.clear();
}

void AtomicFile::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() <= kWriteBuffer) {
        buffer_.reserve(kWriteBuffer);
        buffer_ += bytes;
        return;
    }
    Flush();
    if (bytes.size() < kWriteBuffer)
        buffer_ += bytes;
    else
        writeAll(bytes);
}

void AtomicFile::Flush() {
    writeAll(buffer_);
    buffer_.clear();
}

void AtomicFile::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = injectedFailure(AtomicWriteStep::Write, spared_)
                                    ? -1
                                    : ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(texts::kCannotWrite, target_, errno);
        }
        bytes.remove_prefix(std::size_t(written));
    }
}

void AtomicFile::Commit(const fs::path& target) {
    Flush();
    if (injectedFailure(AtomicWriteStep::Flush, spared_) || ::fsync(fd_) != 0)
        fail(texts::kCannotWrite, target, errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 || injectedFailure(AtomicWriteStep::Close, spared_))
        fail(texts::kCannotWrite, path_, errno);
    if (injectedFailure(AtomicWriteStep::Rename, spared_) ||
        ::rename(path_.c_str(), target.c_str()) != 0)
        fail(texts::kCannotReplace, target, errno);
    path_.clear();
}

void WriteFileAtomically(const fs::path& path, std::string_view data, fs::perms permissions) {
    AtomicFile file(path, permissions);
    file.Write(data);
    file.Commit();
}

AtomicWriteFault::AtomicWriteFault(AtomicWriteStep step, int error, int sparedWrites) {
    writesToSpare = sparedWrites;
    failingError = error;
    failingStep = static_cast<int>(step) + 1;
}

AtomicWriteFault::~AtomicWriteFault() {
    failingStep = 0;
}

namespace {

// The file opened for reading, or FileError when it cannot be or is no regular file.
Descriptor openRegular(const fs::path& path, struct stat& info) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        fail(texts::kCannotOpen, path, errno);
    if (::fstat(file.get(), &info) != 0)
        fail(texts::kCannotRead, path, errno);
    if (!S_ISREG(info.st_mode))
        throw FileError(Filled(texts::kNotARegularFile, {{"file", path.string()}}));
    return file;
}

} // namespace

void CheckRegularFile(const fs::path& path) {
    struct stat info {};
    openRegular(path, info);
}

std::string ReadFile(const fs::path& path, std::size_t maxBytes) {
    struct stat info {};
    const Descriptor file = openRegular(path, info);
    const auto tooLarge = [&] {
        return FileError(Filled(texts::kFileTooLarge,
                                {{"limit", std::to_string(maxBytes)}, {"file", path.string()}}));
    };
    if (std::uintmax_t(info.st_size) > maxBytes)
        throw tooLarge();
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            fail(texts::kCannotRead, path, errno);
        }
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (std::size_t(got) > maxBytes - bytes.size())
            throw tooLarge();
        bytes.append(buffer, std::size_t(got));
    }
    return bytes;
}

fs::path ExecutableFolder() {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : executable.parent_path();
}

fs::path UserConfigurationFolder() {
    // Relative paths are invalid in XDG variables and are ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".config";
    // Services and cron jobs may run without HOME: the account's home stands in.
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16 * 1024);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return fs::path(found->pw_dir) / ".config";
    return {};
}

fs::path ProgramFolderFor(const fs::path& executableFolder, bool create) {
    if (!executableFolder.empty() && executableFolder.filename() != "bin" &&
        ::access(executableFolder.c_str(), W_OK) == 0)
        return executableFolder;
    const fs::path base = UserConfigurationFolder();
    // A shared temporary folder would let other users read or plant the settings.
    if (base.empty())
        throw FileError(std::string(texts::kNoHomeFolder));
    const fs::path folder = base / "site-wright";
    if (!create)
        return folder;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw FileError(Concat({Filled(texts::kCannotCreateFolder, {{"file", folder.string()}}),
                                texts::kLineBreak, ec.message()}));
    return folder;
}

fs::path ProgramFolder(bool create) {
    return ProgramFolderFor(ExecutableFolder(), create);
}
