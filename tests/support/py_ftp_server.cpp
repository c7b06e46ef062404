#include "py_ftp_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads the server's "PORT n" line; 0 when it does not come in time.
unsigned short readPort(int fd, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string text;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, int(left.count())) <= 0)
            return 0;
        char buffer[256];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return 0;
        text.append(buffer, std::size_t(count));
    }
    if (text.rfind("PORT ", 0) != 0)
        return 0;
    return static_cast<unsigned short>(std::strtoul(text.c_str() + 5, nullptr, 10));
}

} // namespace

PyFtpServer::PyFtpServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start(nullptr);
}

PyFtpServer::PyFtpServer(const Tls& tls, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start(&tls);
}

PyFtpServer::PyFtpServer(const Slow& slow, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start(nullptr, "127.0.0.1", slow.delay);
}

PyFtpServer::PyFtpServer(const Address& address, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start(nullptr, address.host);
}

PyFtpServer::PyFtpServer(WithoutMlsd, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    start(nullptr, "127.0.0.1", {}, false);
}

void PyFtpServer::start(const Tls* tls, const std::string& host, std::chrono::milliseconds delay,
                        bool mlsd) {
    host_ = host;
    std::string pattern = (std::filesystem::temp_directory_path() / "sw_ftp_root_XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error(std::string("cannot make the FTP root: ") + std::strerror(errno));
    root_ = pattern;

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        std::filesystem::remove_all(root_);
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    // Everything the child needs is made before fork: after it only exec-safe calls remain.
    const std::string script = std::string(SW_SUPPORT_DIR) + "/ftp_server.py";
    const std::string rootText = root_.string();
    std::vector<std::string> arguments = {"/usr/bin/python3", script,   "--host", host,
                                          "--root",           rootText, "--user", user_,
                                          "--password",       password_};
    if (tls) {
        arguments.insert(arguments.end(),
                         {"--tls-cert", tls->certificate.string(), "--tls-key", tls->key.string()});
        if (tls->required)
            arguments.emplace_back("--tls-required");
    }
    if (delay.count() > 0)
        arguments.insert(arguments.end(),
                         {"--command-delay", std::to_string(double(delay.count()) / 1000)});
    if (tls || delay.count() > 0)
        arguments.insert(arguments.end(), {"--command-log", commandLogPath().string()});
    if (!mlsd)
        arguments.emplace_back("--no-mlsd");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        ::dup2(output[1], STDOUT_FILENO);
        ::execv(argv[0], const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(output[1]);
    if (pid_ < 0) {
        ::close(output[0]);
        std::filesystem::remove_all(root_);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    port_ = readPort(output[0], std::chrono::seconds(20));
    ::close(output[0]);
    if (port_ == 0) {
        stop();
        throw std::runtime_error("the FTP server (" + script + ") did not start");
    }
}

PyFtpServer::~PyFtpServer() {
    stop();
}

std::filesystem::path PyFtpServer::commandLogPath() const {
    return root_.string() + ".log";
}

std::string PyFtpServer::CommandLog() const {
    std::ifstream file(commandLogPath());
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string PyFtpServer::Host() const {
    const bool v6 = host_.find(':') != std::string::npos;
    return (v6 ? "[" + host_ + "]:" : host_ + ":") + std::to_string(port_);
}

void PyFtpServer::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    std::filesystem::remove(commandLogPath(), ignored);
}
