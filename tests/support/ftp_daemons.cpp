#include "support/ftp_daemons.h"

#include <stdexcept>
#include <vector>

#include <crypt.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

VsftpdServer::VsftpdServer(const DaemonTls* tls) {
    const std::filesystem::path program = LoopbackDaemon::Program("usr/sbin/vsftpd");
    std::filesystem::create_directory(Root());
    const passwd* account = ::getpwuid(::getuid());
    if (!account)
        throw std::runtime_error("the test's own user has no name");
    const std::string f = daemon_.Folder().string();
    WritePrivateFile(
        f + "/vsftpd.conf",
        "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(daemon_.Port()) +
            "\nbackground=NO\nrun_as_launching_user=YES\n"
            "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
            "ftp_username=" +
            std::string(account->pw_name) + "\nanon_root=" + Root().string() +
            "\nwrite_enable=YES\nanon_upload_enable=YES\n"
            "anon_other_write_enable=YES\nanon_world_readable_only=NO\n"
            "seccomp_sandbox=NO\nxferlog_enable=NO\n"
            "vsftpd_log_file=" +
            f + "/vsftpd.log\n" +
            (tls ? "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                   "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nssl_ciphers=HIGH\n"
                   "rsa_cert_file=" +
                       tls->certificate.string() + "\nrsa_private_key_file=" + tls->key.string() +
                       "\n"
                 : std::string()));
    daemon_.Start({program.string(), f + "/vsftpd.conf"}, {}, [this] { return Log(); });
}

std::string VsftpdServer::Log() const {
    return FileText(daemon_.Folder() / "vsftpd.log");
}

PureFtpdServer::PureFtpdServer(const DaemonTls* tls, std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    const std::filesystem::path program = LoopbackDaemon::Program("usr/sbin/pure-ftpd");
    const std::filesystem::path pw = LoopbackDaemon::Program("usr/bin/pure-pw");
    const passwd* nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody)
        throw std::runtime_error("Pure-FTPd's virtual user needs a test run as root and the "
                                 "user \"nobody\"");
    std::filesystem::create_directory(Root());
    ::chmod(Root().c_str(), 0777);
    crypt_data data{};
    const char* hash = ::crypt_r(password_.c_str(), "$6$sitewrighttests$", &data);
    const std::string f = daemon_.Folder().string();
    // user:password:uid:gid:gecos:home, then twelve limits left empty; "/./" ends the chroot.
    WritePrivateFile(f + "/passwd", user_ + ":" + hash + ":" + std::to_string(nobody->pw_uid) +
                                        ":" + std::to_string(nobody->pw_gid) +
                                        "::" + Root().string() + "/./::::::::::::\n");
    RunToEnd({pw.string(), "mkdb", f + "/users.pdb", "-f", f + "/passwd"});
    // Times in LIST are the daemon's local time: UTC, as the other servers show them.
    std::vector<std::string> command = {program.string(),
                                        "-S",
                                        "127.0.0.1," + std::to_string(daemon_.Port()),
                                        "-l",
                                        "puredb:" + f + "/users.pdb",
                                        "-E",
                                        "-H",
                                        "-A",
                                        "-g",
                                        f + "/pure-ftpd.pid"};
    if (tls) // -Y 2: TLS required for the login; the client protects its data connections
        command.insert(command.end(), {"-Y", "2", "-2",
                                       tls->certificate.string() + "," + tls->key.string()});
    daemon_.Start(command, {"TZ=UTC"}, [] { return std::string("(Pure-FTPd logs to syslog)"); });
}
