#include "support/loopback_daemon.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A port that was free a moment ago (the daemon binds it next). It is drawn below the range
// the system gives out for outgoing connections and passive listeners, which the walks of other
// tests running at the same time use by the thousand, so that none takes it in the meantime.
unsigned short freePort() {
    std::mt19937 draw{std::random_device{}()};
    std::uniform_int_distribution<int> below(20000, 32767);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = LoopbackAddress(static_cast<unsigned short>(below(draw)));
        const bool free =
            ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (free)
            return ntohs(address.sin_port);
    }
    throw std::runtime_error("no free port below the ephemeral range");
}

bool accepts(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = LoopbackAddress(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Starts argv as a child that dies with this process; variables are added to its environment.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& variables) {
    // Everything the child needs is made before fork: after it only exec-safe calls remain.
    std::vector<const char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(argument.c_str());
    arguments.push_back(nullptr);
    std::vector<const char*> environment;
    for (char** variable = environ; *variable; ++variable)
        environment.push_back(*variable);
    for (const std::string& variable : variables)
        environment.push_back(variable.c_str());
    environment.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        ::execve(arguments[0], const_cast<char* const*>(arguments.data()),
                 const_cast<char* const*>(environment.data()));
        ::_exit(127);
    }
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    return pid;
}

// Waits for pid to end within bound; true with its status when it did.
bool ended(pid_t pid, std::chrono::milliseconds bound, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void kill(pid_t pid) {
    int status = 0;
    ::kill(pid, SIGTERM);
    if (!ended(pid, std::chrono::seconds(2), status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
}

} // namespace

sockaddr_in LoopbackAddress(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

LoopbackDaemon::LoopbackDaemon(const std::string& name) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("sw_" + name + "_XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    folder_ = pattern;
    port_ = freePort();
}

LoopbackDaemon::~LoopbackDaemon() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::filesystem::path LoopbackDaemon::Program(const std::string& relative) {
    const std::filesystem::path path = std::filesystem::path(SW_DAEMONS_DIR) / relative;
    if (!std::filesystem::exists(path))
        throw std::runtime_error(path.string() + " is missing: run scripts/daemons.sh");
    return path;
}

void LoopbackDaemon::Start(const std::vector<std::string>& argv,
                           const std::vector<std::string>& variables,
                           const std::function<std::string()>& log) {
    pid_ = spawn(argv, variables);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!accepts(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            pid_ = -1;
        if (pid_ < 0 || std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error(argv[0] + " did not start: " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string LoopbackDaemon::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackDaemon::stop() {
    if (pid_ > 0)
        kill(pid_);
    pid_ = -1;
}

void WritePrivateFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), 0600);
}

void RunToEnd(const std::vector<std::string>& argv) {
    const pid_t pid = spawn(argv, {});
    int status = 0;
    if (!ended(pid, std::chrono::seconds(30), status)) {
        kill(pid);
        throw std::runtime_error(argv[0] + " did not end");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed");
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}
