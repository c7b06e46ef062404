#include "support/ssh_server.h"

#include <csignal>
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

SshServer::SshServer(bool forUnprivileged) : daemon_("sshd") {
    const std::filesystem::path folder = Folder();
    makeKey(HostKeyFile(), "");
    makeKey(Key("plain"), "");
    makeKey(Key("secret"), Passphrase());
    makeKey(Key("stranger"), "");
    std::filesystem::create_directory(Site());
    WritePrivateFile(folder / "authorized_keys", FileText(Key("plain").string() + ".pub") +
                                                     FileText(Key("secret").string() + ".pub"));
    // PAM reads the service from the server's folder and checks passwords against its list;
    // "other" is the fallback it looks for first.
    const std::string service = "auth required "
                                "/usr/lib/x86_64-linux-gnu/pam_wrapper/pam_matrix.so passdb=" +
                                (folder / "passwords").string() +
                                "\naccount required pam_permit.so\n"
                                "session required pam_permit.so\n";
    WritePrivateFile(folder / "passwords", User() + ":" + Password() + ":sshd\n");
    std::filesystem::create_directory(folder / "pam");
    for (const char* name : {"sshd", "other"})
        WritePrivateFile(folder / "pam" / name, service);
    WritePrivateFile(folder / "sshd_config",
                     "ListenAddress 127.0.0.1\nPort " + std::to_string(Port()) + "\nHostKey " +
                         HostKeyFile().string() + "\nAuthorizedKeysFile " +
                         (folder / "authorized_keys").string() +
                         "\nPidFile none\nStrictModes no\nPermitRootLogin yes\n"
                         "PasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
                         "UsePAM yes\nSubsystem sftp internal-sftp\nLogLevel ERROR\n");
    if (forUnprivileged) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
        std::filesystem::permissions(folder / "authorized_keys",
                                     std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read,
                                     std::filesystem::perm_options::add);
    }
    // sshd run by root wants its empty privilege-separation folder, which only the service
    // start makes.
    if (::geteuid() == 0)
        ::mkdir("/run/sshd", 0755);
    const std::filesystem::path log = folder / "sshd.log";
    daemon_.Start(
        {"/usr/sbin/sshd", "-D", "-f", (folder / "sshd_config").string(), "-E", log.string()},
        {"LD_PRELOAD=libpam_wrapper.so", "PAM_WRAPPER=1",
         "PAM_WRAPPER_SERVICE_DIR=" + (folder / "pam").string()},
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

std::string SshServer::UnprivilegedUser() { return ::geteuid() == 0 ? "nobody" : User(); }

SshAgent::SshAgent(const std::filesystem::path& key) {
    const std::string started = CommandOutput("/usr/bin/ssh-agent -s -a " + Socket());
    const std::size_t pidAt = started.find("SSH_AGENT_PID=");
    if (pidAt == std::string::npos)
        throw std::runtime_error("ssh-agent: " + started);
    pid_ = std::stoi(started.substr(pidAt + 14));
    try {
        RunToEnd({"/usr/bin/env", "SSH_AUTH_SOCK=" + Socket(), "/usr/bin/ssh-add", "-q",
                  key.string()});
    } catch (...) {
        ::kill(pid_, SIGTERM);
        throw;
    }
}

SshAgent::~SshAgent() { ::kill(pid_, SIGTERM); }

std::string KeyFingerprint(const std::filesystem::path& publicKey) {
    const std::string line = CommandOutput("/usr/bin/ssh-keygen -l -E sha256 -f '" +
                                           publicKey.string() + "'");
    const std::size_t start = line.find("SHA256:");
    if (start == std::string::npos)
        throw std::runtime_error("ssh-keygen -l: " + line);
    return line.substr(start, line.find(' ', start) - start);
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
