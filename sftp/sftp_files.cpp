// The file operations of an SFTP session: small reads, the upload and removal.
#include "sftp/sftp_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunk = 32768;
constexpr std::uint64_t k8MiB = 8u << 20;

using Attributes = std::unique_ptr<sftp_attributes_struct, decltype(&::sftp_attributes_free)>;

// A name beside path for the new file, unlikely to meet any other.
std::string temporaryName(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return path.substr(0, start) + "." + path.substr(start) + "." + suffix + ".part";
}

} // namespace

std::optional<std::string> SftpSession::ReadFile(const std::string& path, std::size_t maxBytes) {
    requireConnected();
    const auto start = WaitGuard::Clock::now();
    armTransfer(start, 0);
    const std::unique_ptr<sftp_file_struct, decltype(&::sftp_close)> file(
        ::sftp_open(sftp_, path.c_str(), O_RDONLY, 0), ::sftp_close);
    if (!file) {
        if (requestKind() == SftpFailureKind::NoSuchFile) {
            guard_.Disarm();
            return std::nullopt;
        }
        failRequest("open " + path);
    }
    std::string bytes;
    while (bytes.size() < maxBytes) {
        const std::size_t old = bytes.size();
        bytes.resize(old + std::min(kChunk, maxBytes - old));
        const ssize_t got = ::sftp_read(file.get(), &bytes[old], bytes.size() - old);
        if (got < 0)
            failRequest("read " + path);
        bytes.resize(old + static_cast<std::size_t>(got));
        if (got == 0)
            break;
        armTransfer(start, bytes.size());
    }
    guard_.Disarm();
    return bytes;
}

void SftpSession::Upload(const std::filesystem::path& localPath, const std::string& remotePath) {
    requireConnected();
    arm(timeouts_.request);
    std::uint32_t mode = 0644;
    if (const Attributes old{::sftp_stat(sftp_, remotePath.c_str()), ::sftp_attributes_free};
        old && (old->flags & SSH_FILEXFER_ATTR_PERMISSIONS))
        mode = old->permissions & 07777;
    else if (!old && requestKind() != SftpFailureKind::NoSuchFile)
        failRequest("stat " + remotePath);
    const std::string temporary = temporaryName(remotePath);
    try {
        writeFile(localPath, temporary, mode);
        arm(timeouts_.request);
        renameOver(temporary, remotePath);
    } catch (const SftpError&) {
        // The part left behind is removed while the session lasts; a closed one cannot.
        if (IsConnected()) {
            arm(timeouts_.request);
            ::sftp_unlink(sftp_, temporary.c_str());
        }
        guard_.Disarm();
        throw;
    }
    guard_.Disarm();
}

void SftpSession::writeFile(const std::filesystem::path& localPath, const std::string& remotePath,
                            std::uint32_t mode) {
    // A FIFO would hang the read and a folder would store nothing: only a regular file goes.
    const int fd = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const std::string detail =
            localPath.string() + ": " + (fd < 0 ? std::strerror(errno) : "not a regular file");
        if (fd >= 0)
            ::close(fd);
        throw SftpError(SftpFailureKind::LocalFile, detail);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } const local{fd};
    sftp_file file = ::sftp_open(sftp_, remotePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (!file)
        failRequest("create " + remotePath);
    std::unique_ptr<sftp_file_struct, decltype(&::sftp_close)> remote(file, ::sftp_close);
    const auto start = WaitGuard::Clock::now();
    std::uint64_t moved = 0;
    char buffer[kChunk];
    for (;;) {
        armTransfer(start, moved);
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw SftpError(SftpFailureKind::LocalFile,
                            localPath.string() + ": " + std::strerror(errno));
        if (got == 0)
            break;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::sftp_write(file, buffer + written, got - written);
            if (put <= 0)
                failRequest("write " + remotePath);
            written += put;
        }
        moved += static_cast<std::uint64_t>(got);
    }
    // The close is where a server reports a write it could not finish.
    if (::sftp_close(remote.release()) != SSH_OK)
        failRequest("close " + remotePath);
}

void SftpSession::renameOver(const std::string& from, const std::string& to) {
    if (::sftp_extension_supported(sftp_, "posix-rename@openssh.com", "1") && posixRename(from, to))
        return;
    // Plain SFTP renames only onto a free name: the old file goes first, leaving a moment
    // without one, which servers without the extension cannot avoid.
    if (::sftp_rename(sftp_, from.c_str(), to.c_str()) == SSH_OK)
        return;
    if (::sftp_unlink(sftp_, to.c_str()) != SSH_OK && requestKind() != SftpFailureKind::NoSuchFile)
        failRequest("remove " + to);
    if (::sftp_rename(sftp_, from.c_str(), to.c_str()) != SSH_OK)
        failRequest("rename " + from);
}

void SftpSession::Remove(const std::string& path) {
    requireConnected();
    arm(timeouts_.request);
    if (::sftp_unlink(sftp_, path.c_str()) != SSH_OK)
        failRequest("remove " + path);
    guard_.Disarm();
}

std::string SftpSession::RealPath(const std::string& path) {
    requireConnected();
    arm(timeouts_.request);
    char* real = ::sftp_canonicalize_path(sftp_, path.c_str());
    if (real == nullptr)
        failRequest("realpath " + path);
    guard_.Disarm();
    std::string result(real);
    ::ssh_string_free_char(real);
    return result;
}

SftpFailureKind SftpSession::requestKind() const {
    switch (sftp_ ? ::sftp_get_error(sftp_) : SSH_FX_CONNECTION_LOST) {
    case SSH_FX_NO_SUCH_FILE:
    case SSH_FX_NO_SUCH_PATH:
        return SftpFailureKind::NoSuchFile;
    case SSH_FX_PERMISSION_DENIED:
        return SftpFailureKind::Permission;
    case SSH_FX_NO_CONNECTION:
    case SSH_FX_CONNECTION_LOST:
        return SftpFailureKind::LostConnection;
    default:
        return SftpFailureKind::Refused;
    }
}

void SftpSession::failRequest(const std::string& what) {
    fail(requestKind(),
         what + " (status " + std::to_string(sftp_ ? ::sftp_get_error(sftp_) : -1) + ")");
}

void SftpSession::armTransfer(WaitGuard::Clock::time_point start, std::uint64_t moved) {
    guard_.Arm(start + timeouts_.transfer + timeouts_.transferPer8MiB * (moved / k8MiB));
}
