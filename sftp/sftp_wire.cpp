// Requests written on the SFTP channel itself, for what libssh 0.10 offers no call for: a
// folder read with its requests in flight together, and the rename extension.
#include "sftp/sftp_session.h"

#include <ctime>

#include <libssh/libssh.h>
#include <libssh/sftp.h>

namespace {

constexpr std::uint8_t kFxpOpendir = 11;
constexpr std::uint8_t kFxpReaddir = 12;
constexpr std::uint8_t kFxpClose = 4;
constexpr std::uint8_t kFxpExtended = 200;
constexpr std::uint8_t kFxpStatus = 101;
constexpr std::uint8_t kFxpHandle = 102;
constexpr std::uint8_t kFxpName = 104;
// Far above what servers write (OpenSSH's own bound is 256 KiB), so a hostile length is refused
// before anything is allocated for it.
constexpr std::uint32_t kMaxReply = 4u << 20;
constexpr std::size_t kMaxHandle = 256;
constexpr std::uint32_t kFileTypeMask = 0170000;
constexpr std::uint32_t kFolderType = 0040000;
constexpr std::uint32_t kLinkType = 0120000;

void putU32(std::string& packet, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        packet.push_back(static_cast<char>((value >> shift) & 0xff));
}

void putString(std::string& packet, const std::string& text) {
    putU32(packet, static_cast<std::uint32_t>(text.size()));
    packet += text;
}

// Reads the fields of a reply; a field beyond its end reads as zero or empty and marks the
// reply malformed.
class Fields {
public:
    explicit Fields(const std::string& bytes) : bytes_(bytes) {}
    bool Ok() const { return ok_; }
    std::uint8_t U8() { return take(1) ? static_cast<std::uint8_t>(bytes_[at_ - 1]) : 0; }
    std::uint32_t U32() { return static_cast<std::uint32_t>(number(4)); }
    std::uint64_t U64() { return number(8); }
    std::string String() {
        const std::uint32_t size = U32();
        return take(size) ? bytes_.substr(at_ - size, size) : std::string();
    }

private:
    bool take(std::size_t size) {
        ok_ = ok_ && size <= bytes_.size() - at_;
        if (ok_)
            at_ += size;
        return ok_;
    }
    std::uint64_t number(std::size_t size) {
        std::uint64_t value = 0;
        if (take(size))
            for (std::size_t i = at_ - size; i < at_; ++i)
                value = (value << 8) | static_cast<unsigned char>(bytes_[i]);
        return value;
    }
    const std::string& bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

DateTime utcTime(std::uint64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!::gmtime_r(&time, &parts))
        return {};
    return DateTime::FromParts(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                               parts.tm_min, parts.tm_sec)
        .value_or(DateTime{});
}

// One name of a directory read's reply: the name, the long form (unused) and the attributes of
// protocol version 3, whose permissions carry the type.
SftpEntry entryOf(Fields& fields) {
    SftpEntry entry;
    entry.name = fields.String();
    fields.String();
    const std::uint32_t flags = fields.U32();
    if (flags & SSH_FILEXFER_ATTR_SIZE)
        entry.size = fields.U64();
    if (flags & SSH_FILEXFER_ATTR_UIDGID)
        fields.U64();
    if (flags & SSH_FILEXFER_ATTR_PERMISSIONS) {
        const std::uint32_t type = fields.U32() & kFileTypeMask;
        entry.kind = type == kFolderType ? SftpEntryKind::Folder
                     : type == kLinkType ? SftpEntryKind::Link
                                         : SftpEntryKind::File;
    }
    if (flags & SSH_FILEXFER_ATTR_ACMODTIME) {
        fields.U32();
        entry.modified = utcTime(fields.U32());
    }
    if (flags & SSH_FILEXFER_ATTR_EXTENDED)
        for (std::uint32_t count = fields.U32(); count > 0 && fields.Ok(); --count) {
            fields.String();
            fields.String();
        }
    return entry;
}

} // namespace

std::vector<SftpEntry> SftpSession::ListFolder(const std::string& path) {
    // The close of the last folder may still be on its way: its reply is read with this one's.
    requireConnected(false);
    arm(timeouts_.request);
    std::string request;
    putString(request, path);
    std::string reply = replyTo(send({{kFxpOpendir, request}}).front(), "opendir " + path);
    Fields opened(reply);
    if (const std::uint8_t type = opened.U8(); type == kFxpStatus)
        failStatus(reply, "opendir " + path);
    else if (type != kFxpHandle)
        fail(SftpFailureKind::Refused, "opendir " + path + ": unexpected reply");
    opened.U32();
    const std::string handle = opened.String();
    if (!opened.Ok() || handle.size() > kMaxHandle)
        fail(SftpFailureKind::Refused, "opendir " + path + ": malformed handle");
    request.clear();
    putString(request, handle);
    // Reads go in pairs: a folder that fits one reply, as most do, costs one round trip with
    // its end marker; the close is not awaited at all.
    std::vector<std::uint32_t> reads = send({{kFxpReaddir, request}, {kFxpReaddir, request}});
    std::vector<SftpEntry> entries;
    auto release = [&] {
        defer(reads);
        defer(send({{kFxpClose, request}}));
    };
    for (bool end = false; !end;) {
        const std::uint32_t id = reads.front();
        reads.erase(reads.begin());
        reply = replyTo(id, "readdir " + path);
        Fields fields(reply);
        const std::uint8_t type = fields.U8();
        fields.U32();
        if (type == kFxpStatus) {
            end = fields.U32() == SSH_FX_EOF;
            if (!end) {
                release();
                failStatus(reply, "readdir " + path);
            }
            continue;
        }
        const std::uint32_t count = type == kFxpName ? fields.U32() : 0;
        for (std::uint32_t i = 0; i < count && fields.Ok(); ++i) {
            SftpEntry entry = entryOf(fields);
            if (entry.name == "." || entry.name == ".." || !fields.Ok())
                continue;
            if (entries.size() == kMaxEntries) {
                release();
                fail(SftpFailureKind::TooLarge, path);
            }
            entries.push_back(std::move(entry));
        }
        if (type != kFxpName || !fields.Ok()) {
            release();
            fail(SftpFailureKind::Refused, "readdir " + path + ": malformed reply");
        }
        if (reads.empty())
            reads = send({{kFxpReaddir, request}, {kFxpReaddir, request}});
    }
    release();
    guard_.Disarm();
    return entries;
}

bool SftpSession::posixRename(const std::string& from, const std::string& to) {
    std::string request;
    putString(request, "posix-rename@openssh.com");
    putString(request, from);
    putString(request, to);
    const std::string reply = replyTo(send({{kFxpExtended, request}}).front(), "posix-rename");
    Fields fields(reply);
    const std::uint8_t type = fields.U8();
    fields.U32();
    const std::uint32_t status = fields.U32();
    if (type != kFxpStatus || !fields.Ok())
        fail(SftpFailureKind::Refused, "posix-rename: unexpected reply");
    if (status == SSH_FX_OK)
        return true;
    if (status == SSH_FX_OP_UNSUPPORTED)
        return false;
    failStatus(reply, "posix-rename " + from);
}

std::vector<std::uint32_t>
SftpSession::send(const std::vector<std::pair<std::uint8_t, std::string>>& requests) {
    // One write for them all, so the link carries them together.
    std::string packets;
    std::vector<std::uint32_t> ids;
    for (const auto& [type, fields] : requests) {
        ids.push_back(++sftp_->id_counter);
        putU32(packets, static_cast<std::uint32_t>(fields.size() + 5));
        packets.push_back(static_cast<char>(type));
        putU32(packets, ids.back());
        packets += fields;
    }
    if (::ssh_channel_write(sftp_->channel, packets.data(),
                            static_cast<std::uint32_t>(packets.size())) !=
        static_cast<int>(packets.size()))
        fail(SftpFailureKind::LostConnection, "sftp request");
    awaited_.insert(ids.begin(), ids.end());
    return ids;
}

std::string SftpSession::replyTo(std::uint32_t id, const std::string& what) {
    // Servers may answer out of order: a reply to another request in flight waits its turn.
    for (;;) {
        if (const auto early = early_.find(id); early != early_.end()) {
            std::string reply = std::move(early->second);
            early_.erase(early);
            return reply;
        }
        std::string reply = readReply(what);
        Fields fields(reply);
        fields.U8();
        const std::uint32_t replyId = fields.U32();
        if (!fields.Ok() || awaited_.erase(replyId) == 0)
            breakOff(what + ": a reply to no request");
        if (replyId == id)
            return reply;
        if (deferred_.erase(replyId) == 0)
            early_.emplace(replyId, std::move(reply));
    }
}

std::string SftpSession::readReply(const std::string& what) {
    auto readExactly = [&](std::string& bytes) {
        for (std::size_t got = 0; got < bytes.size();) {
            const int read = ::ssh_channel_read(sftp_->channel, &bytes[got],
                                                static_cast<std::uint32_t>(bytes.size() - got), 0);
            if (read == 0 && !::ssh_channel_is_eof(sftp_->channel))
                fail(SftpFailureKind::TimedOut, what + ": silence");
            if (read <= 0)
                fail(SftpFailureKind::LostConnection, what);
            got += static_cast<std::size_t>(read);
        }
    };
    std::string length(4, '\0');
    readExactly(length);
    Fields fields(length);
    const std::uint32_t size = fields.U32();
    if (size < 5 || size > kMaxReply)
        breakOff(what + ": reply length");
    std::string reply(size, '\0');
    readExactly(reply);
    return reply;
}

void SftpSession::defer(const std::vector<std::uint32_t>& ids) {
    for (const std::uint32_t id : ids)
        if (early_.erase(id) == 0)
            deferred_.insert(id);
}

void SftpSession::collectDeferred() {
    while (!deferred_.empty()) {
        const std::uint32_t id = *deferred_.begin();
        deferred_.erase(deferred_.begin());
        replyTo(id, "close");
    }
}

void SftpSession::breakOff(const std::string& what) {
    // Past a broken frame or a stray reply nothing more on the channel can be trusted.
    Disconnect();
    throw SftpError(SftpFailureKind::Refused, what);
}

void SftpSession::failStatus(const std::string& reply, const std::string& what) {
    Fields fields(reply);
    fields.U8();
    fields.U32();
    sftp_->errnum = static_cast<int>(fields.U32());
    failRequest(what);
}
