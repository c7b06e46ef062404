#include "fake_ftp_server.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fake_ftp {

Step Pasv(std::string advertisedHost, bool brackets) {
    Step step(Step::Kind::Pasv);
    step.command = "PASV";
    step.advertisedHost = std::move(advertisedHost);
    step.brackets = brackets;
    return step;
}

Step Epsv() {
    Step step(Step::Kind::Pasv);
    step.command = "EPSV";
    return step;
}

Step SendData(std::string payload) {
    Step step(Step::Kind::SendData);
    step.payload = std::move(payload);
    return step;
}

Step SendDataKeepOpen(std::string payload) {
    Step step = SendData(std::move(payload));
    step.keepOpen = true;
    return step;
}

Step SendDataRepeated(std::string payload, std::size_t times) {
    Step step = SendData(std::move(payload));
    step.repeat = times;
    return step;
}

Step ReceiveData() {
    return Step(Step::Kind::ReceiveData);
}

Step Disconnect() {
    return Step(Step::Kind::Disconnect);
}

Step ExpectClose() {
    return Step(Step::Kind::ExpectClose);
}

Step Stall() {
    return Step(Step::Kind::Stall);
}

Step SendRaw(std::string bytes) {
    Step step(Step::Kind::SendRaw);
    step.payload = std::move(bytes);
    return step;
}

Step Trickled(Step step, std::size_t piece, std::chrono::milliseconds pause) {
    step.piece = piece;
    step.pause = pause;
    return step;
}

std::vector<Step> WithLogin(std::vector<Step> rest) {
    std::vector<Step> script = {
        {"", {"220 Ready"}},
        {"USER anna", {"331 Password required for anna"}},
        {"PASS secret", {"230 Logged in"}},
        {"FEAT", {"500 FEAT not understood"}},
        {"TYPE I", {"200 Type set to I"}},
        {"SYST", {"215 UNIX Type: L8"}},
    };
    script.insert(script.end(), rest.begin(), rest.end());
    return script;
}

std::vector<std::string> AfterLogin(const std::vector<std::string>& more) {
    std::vector<std::string> commands = {"USER anna", "PASS secret", "FEAT", "TYPE I", "SYST"};
    commands.insert(commands.end(), more.begin(), more.end());
    return commands;
}

std::vector<Step> WithUpload(const std::string& siteRoot) {
    std::vector<Step> steps;
    if (!siteRoot.empty())
        steps.push_back({"CWD " + siteRoot, {"250 OK"}});
    steps.insert(steps.end(), {
                                  Pasv(),
                                  {"RETR sitemap.xml", {"550 No such file"}},
                                  Pasv(),
                                  {"STOR sitemap.xml.swtmp-upload", {"150 Go ahead"}},
                                  ReceiveData(),
                                  {"", {"226 Stored"}},
                                  {"RNFR sitemap.xml.swtmp-upload", {"350 Ready"}},
                                  {"RNTO sitemap.xml", {"250 Renamed"}},
                                  ExpectClose(),
                              });
    return WithLogin(std::move(steps));
}

} // namespace fake_ftp

namespace {

using fake_ftp::Step;

// A listening socket on 127.0.0.1 with a free port.
int listenOnLoopback(unsigned short& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::runtime_error(std::string("listen on 127.0.0.1: ") + std::strerror(error));
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        sent += std::size_t(count);
    }
    return true;
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

FakeFtpServer::FakeFtpServer(std::vector<Step> script) : script_(std::move(script)) {
    listener_ = listenOnLoopback(port_);
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) {
        closeFd(listener_);
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    thread_ = std::thread([this] { run(); });
}

FakeFtpServer::~FakeFtpServer() {
    const char stop = 1;
    while (::write(stopPipe_[1], &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    closeData();
    closeControl();
    closeFd(dataListener_);
    closeFd(listener_);
    closeFd(stopPipe_[0]);
    closeFd(stopPipe_[1]);
}

std::string FakeFtpServer::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

bool FakeFtpServer::WaitUntilFinished(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return finishedChanged_.wait_for(lock, timeout, [this] { return finished_; });
}

std::vector<std::string> FakeFtpServer::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::vector<std::string> FakeFtpServer::Uploads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return uploads_;
}

std::vector<std::string> FakeFtpServer::Problems() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return problems_;
}

std::size_t FakeFtpServer::Connections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
}

void FakeFtpServer::run() {
    bool scripted = true;
    for (const Step& step : script_) {
        if (!runStep(step)) {
            scripted = false;
            break;
        }
    }
    // Past the script (or after a departure from it) every command is answered with 500, so
    // that a client that says more than scripted fails quickly instead of waiting.
    std::string line;
    while (!stopped_ && control_ >= 0 && readCommand(line)) {
        problem(scripted ? "unscripted command \"" + line + "\""
                         : "command after a departure \"" + line + "\"");
        sendLines({"500 Unscripted command."});
    }
    finish();
}

bool FakeFtpServer::runStep(const Step& step) {
    switch (step.kind) {
    case Step::Kind::Exchange:
    case Step::Kind::Pasv: {
        if (!ensureControl())
            return false;
        if (!step.command.empty()) {
            std::string line;
            if (!readCommand(line)) {
                if (!stopped_)
                    problem("the client closed the connection where \"" + step.command +
                            "\" was expected");
                return false;
            }
            if (line != step.command) {
                problem("expected \"" + step.command + "\", received \"" + line + "\"");
                sendLines({"500 Not the scripted command."});
                return false;
            }
        }
        if (step.kind == Step::Kind::Exchange)
            return sendLines(step.replies);
        unsigned short dataPort = 0;
        closeFd(dataListener_);
        dataListener_ = listenOnLoopback(dataPort);
        if (step.command == "EPSV")
            return sendLines(
                {"229 Entering Extended Passive Mode (|||" + std::to_string(dataPort) + "|)"});
        std::string address = step.advertisedHost;
        for (char& c : address) {
            if (c == '.')
                c = ',';
        }
        address += ',' + std::to_string(dataPort / 256) + ',' + std::to_string(dataPort % 256);
        return sendLines({step.brackets ? "227 Entering Passive Mode (" + address + ")."
                                        : "227 Entering Passive Mode " + address});
    }
    case Step::Kind::SendData: {
        closeData();
        data_ = acceptData();
        if (data_ < 0)
            return false;
        for (std::size_t i = 0; i < step.repeat && sendBytes(data_, step.payload, step); ++i) {
        }
        if (!step.keepOpen)
            closeData();
        return true;
    }
    case Step::Kind::ReceiveData: {
        closeData();
        data_ = acceptData();
        if (data_ < 0)
            return false;
        std::string bytes;
        char buffer[65536];
        const std::size_t piece =
            step.piece > 0 ? std::min(step.piece, sizeof buffer) : sizeof buffer;
        for (;;) {
            if (step.piece > 0 && (waitReadable(-1, int(step.pause.count())) || stopped_))
                return false;
            if (!waitReadable(data_, -1))
                return false;
            const ssize_t count = ::recv(data_, buffer, piece, 0);
            if (count <= 0)
                break;
            bytes.append(buffer, std::size_t(count));
        }
        closeData();
        std::lock_guard<std::mutex> lock(mutex_);
        uploads_.push_back(std::move(bytes));
        return true;
    }
    case Step::Kind::Disconnect:
        // As a server that goes away: a data connection not yet accepted is reset too.
        closeData();
        closeFd(dataListener_);
        closeControl();
        return true;
    case Step::Kind::ExpectClose: {
        if (!ensureControl())
            return false;
        std::string line;
        while (readCommand(line)) {
            problem("unscripted command \"" + line + "\" where the client was to close");
            sendLines({"500 Unscripted command."});
        }
        closeData();
        closeControl();
        return !stopped_;
    }
    case Step::Kind::SendRaw:
        return ensureControl() && sendBytes(control_, step.payload, step);
    case Step::Kind::Stall:
        finish();
        waitReadable(-1, -1);
        return false;
    }
    return false;
}

bool FakeFtpServer::ensureControl() {
    if (control_ >= 0)
        return true;
    if (!waitReadable(listener_, -1))
        return false;
    control_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (control_ < 0) {
        problem(std::string("accept: ") + std::strerror(errno));
        return false;
    }
    // Replies go out at once, as a real server sends them.
    const int on = 1;
    ::setsockopt(control_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    input_.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    ++connections_;
    return true;
}

bool FakeFtpServer::readCommand(std::string& line) {
    for (;;) {
        const std::size_t end = input_.find('\n');
        if (end != std::string::npos) {
            line = input_.substr(0, end);
            input_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            else
                problem("command not ended by CR LF: \"" + line + "\"");
            std::lock_guard<std::mutex> lock(mutex_);
            commands_.push_back(line);
            return true;
        }
        if (!waitReadable(control_, -1))
            return false;
        char buffer[4096];
        const ssize_t count = ::recv(control_, buffer, sizeof buffer, 0);
        if (count <= 0)
            return false;
        input_.append(buffer, std::size_t(count));
    }
}

bool FakeFtpServer::sendLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return sendAll(control_, bytes);
}

int FakeFtpServer::acceptData() {
    if (dataListener_ < 0) {
        problem("a data connection was scripted without a PASV before it");
        return -1;
    }
    if (!waitReadable(dataListener_, 10000)) {
        if (!stopped_)
            problem("the client opened no data connection");
        return -1;
    }
    const int fd = ::accept4(dataListener_, nullptr, nullptr, SOCK_CLOEXEC);
    closeFd(dataListener_);
    return fd;
}

bool FakeFtpServer::waitReadable(int fd, int timeoutMs) {
    pollfd entries[2] = {{stopPipe_[0], POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, fd >= 0 ? 2 : 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && entries[0].revents) {
            stopped_ = true;
            return false;
        }
        return ready > 0;
    }
}

bool FakeFtpServer::sendBytes(int fd, const std::string& bytes, const Step& step) {
    if (step.piece == 0)
        return sendAll(fd, bytes);
    for (std::size_t at = 0; at < bytes.size(); at += step.piece) {
        // The pause ends early only when the server is being destroyed.
        if (waitReadable(-1, int(step.pause.count())) || stopped_)
            return false;
        if (!sendAll(fd, bytes.substr(at, step.piece)))
            return false;
    }
    return true;
}

void FakeFtpServer::closeData() {
    closeFd(data_);
}

void FakeFtpServer::closeControl() {
    closeFd(control_);
}

void FakeFtpServer::problem(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    problems_.push_back(text);
}

void FakeFtpServer::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    finishedChanged_.notify_all();
}
