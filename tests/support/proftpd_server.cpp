#include "support/proftpd_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <crypt.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A port that was free a moment ago (the daemon binds it next).
unsigned short freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool accepts(unsigned short port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
    ::chmod(path.c_str(), 0600); // ProFTPD refuses password files others can read
}

} // namespace

ProftpdServer::ProftpdServer(const std::filesystem::path& certificate,
                             const std::filesystem::path& key, std::string user,
                             std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    const std::filesystem::path daemon = std::filesystem::path(SW_DAEMONS_DIR) / "usr/sbin/proftpd";
    if (!std::filesystem::exists(daemon))
        throw std::runtime_error(daemon.string() + " is missing: run scripts/daemons.sh");
    std::string pattern = (std::filesystem::temp_directory_path() / "sw_proftpd_XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    folder_ = pattern;
    std::filesystem::create_directory(Root());

    const passwd* account = ::getpwuid(::getuid());
    const group* accountGroup = ::getgrgid(::getgid());
    if (!account || !accountGroup)
        throw std::runtime_error("the test's own user or group has no name");
    crypt_data data{};
    const char* hash = ::crypt_r(password_.c_str(), "$6$sitewrighttests$", &data);
    writeFile(folder_ / "passwd", user_ + ":" + hash + ":" + std::to_string(::getuid()) + ":" +
                                      std::to_string(::getgid()) + "::" + Root().string() +
                                      ":/bin/sh\n");
    writeFile(folder_ / "group",
              std::string(accountGroup->gr_name) + ":x:" + std::to_string(::getgid()) + ":\n");
    port_ = freePort();
    const std::string f = folder_.string();
    std::ostringstream config;
    config << "ServerName \"Site Wright test\"\nServerType standalone\nDefaultServer on\n"
           << "Port " << port_ << "\nDefaultAddress 127.0.0.1\nSocketBindTight on\nUseIPv6 off\n"
           << "User " << account->pw_name << "\nGroup " << accountGroup->gr_name << "\n"
           << "PidFile " << f << "/proftpd.pid\nScoreboardFile " << f << "/proftpd.scoreboard\n"
           << "DelayTable none\nWtmpLog off\nUseReverseDNS off\n"
           << "TransferLog none\nSystemLog " << f << "/proftpd.log\n"
           << "ModulePath " << SW_DAEMONS_DIR << "/usr/lib/proftpd\nLoadModule mod_tls.c\n"
           << "AuthOrder mod_auth_file.c\nAuthUserFile " << f << "/passwd\nAuthGroupFile " << f
           << "/group\nRequireValidShell off\nDefaultRoot ~\nRootLogin on\n"
           << "<Directory />\n  AllowOverwrite on\n</Directory>\n"
           << "TLSEngine on\nTLSRequired on\nTLSProtocol TLSv1.2 TLSv1.3\n"
           << "TLSECCertificateFile " << certificate.string() << "\n"
           << "TLSECCertificateKeyFile " << key.string() << "\n"
           << "TLSLog " << f << "/tls.log\n";
    writeFile(folder_ / "proftpd.conf", config.str());

    const std::string configPath = f + "/proftpd.conf";
    const std::string daemonPath = daemon.string();
    const char* const argv[] = {daemonPath.c_str(), "--nodaemon", "--config", configPath.c_str(),
                                nullptr};
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(1);
        ::execv(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    if (pid_ < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!accepts(port_)) {
        int status = 0;
        if (std::chrono::steady_clock::now() > deadline ||
            ::waitpid(pid_, &status, WNOHANG) == pid_) {
            const std::string log = Log();
            stop();
            throw std::runtime_error("ProFTPD did not start: " + log);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

ProftpdServer::~ProftpdServer() {
    stop();
}

std::string ProftpdServer::Host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string ProftpdServer::Log() const {
    std::ifstream file(folder_ / "proftpd.log");
    std::ostringstream text;
    text << file.rdbuf();
    std::ifstream tls(folder_ / "tls.log");
    text << tls.rdbuf();
    return text.str();
}

void ProftpdServer::stop() {
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
    std::filesystem::remove_all(folder_, ignored);
}
