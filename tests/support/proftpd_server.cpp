#include "support/proftpd_server.h"

#include <sstream>
#include <stdexcept>

#include <crypt.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

ProftpdServer::ProftpdServer(const std::filesystem::path& certificate,
                             const std::filesystem::path& key, std::string user,
                             std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    const std::filesystem::path program = LoopbackDaemon::Program("usr/sbin/proftpd");
    std::filesystem::create_directory(Root());
    const passwd* account = ::getpwuid(::getuid());
    const group* accountGroup = ::getgrgid(::getgid());
    if (!account || !accountGroup)
        throw std::runtime_error("the test's own user or group has no name");
    crypt_data data{};
    const char* hash = ::crypt_r(password_.c_str(), "$6$sitewrighttests$", &data);
    const std::string f = daemon_.Folder().string();
    WritePrivateFile(f + "/passwd", user_ + ":" + hash + ":" + std::to_string(::getuid()) + ":" +
                                        std::to_string(::getgid()) + "::" + Root().string() +
                                        ":/bin/sh\n");
    WritePrivateFile(f + "/group", std::string(accountGroup->gr_name) +
                                       ":x:" + std::to_string(::getgid()) + ":\n");
    std::ostringstream config;
    config << "ServerName \"Site Wright test\"\nServerType standalone\nDefaultServer on\n"
           << "Port " << daemon_.Port()
           << "\nDefaultAddress 127.0.0.1\nSocketBindTight on\nUseIPv6 off\n"
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
    WritePrivateFile(f + "/proftpd.conf", config.str());
    daemon_.Start({program.string(), "--nodaemon", "--config", f + "/proftpd.conf"}, {},
                  [this] { return Log(); });
}

std::string ProftpdServer::Log() const {
    return FileText(daemon_.Folder() / "proftpd.log") + FileText(daemon_.Folder() / "tls.log");
}
