#include "support/ssh_server.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeKey(const std::filesystem::path& path, const std::string& passphrase) {
    RunToEnd({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", passphrase, "-C", "", "-f",
              path.string()});
}

} // namespace

SshServer::SshServer() : daemon_("sshd") {
    const std::filesystem::path folder = Folder();
    makeKey(HostKeyFile(), "");
    makeKey(Key("plain"), "");
    makeKey(Key("secret"), Passphrase());
    makeKey(Key("stranger"), "");
    std::filesystem::create_directory(Site());
    WritePrivateFile(folder / "authorized_keys", FileText(Key("plain").string() + ".pub") +
                                                     FileText(Key("secret").string() + ".pub"));
    WritePrivateFile(folder / "sshd_config",
                     "ListenAddress 127.0.0.1\nPort " + std::to_string(Port()) + "\nHostKey " +
                         HostKeyFile().string() + "\nAuthorizedKeysFile " +
                         (folder / "authorized_keys").string() +
                         "\nPidFile none\nStrictModes no\nPermitRootLogin yes\n"
                         "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                         "UsePAM no\nSubsystem sftp internal-sftp\nLogLevel ERROR\n");
    // sshd run by root wants its empty privilege-separation folder, which only the service
    // start makes.
    if (::geteuid() == 0)
        ::mkdir("/run/sshd", 0755);
    const std::filesystem::path log = folder / "sshd.log";
    daemon_.Start(
        {"/usr/sbin/sshd", "-D", "-f", (folder / "sshd_config").string(), "-E", log.string()}, {},
        [log] { return FileText(log); });
}

std::string SshServer::KnownHostsLine() const {
    return "[127.0.0.1]:" + std::to_string(Port()) + " " +
           FileText(HostKeyFile().string() + ".pub");
}

std::string SshServer::User() {
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry)
        throw std::runtime_error("no user name");
    return entry->pw_name;
}

std::string CommandOutput(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        throw std::runtime_error("popen " + command);
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, got);
    return output;
}
