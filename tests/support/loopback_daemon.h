#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/types.h>

// A real FTP daemon that scripts/daemons.sh unpacked into SW_DAEMONS_DIR, run in the foreground
// on 127.0.0.1 at a port that was free a moment before, with a temporary folder of its own for
// its configuration, users and log. The daemon is stopped and the folder removed when the object
// goes; should the test process die first, the daemon is killed with it.
class LoopbackDaemon final {
public:
    // Makes the folder ("sw_<name>_XXXXXX" in the temporary folder) and picks the port.
    explicit LoopbackDaemon(const std::string& name);
    ~LoopbackDaemon();
    LoopbackDaemon(const LoopbackDaemon&) = delete;
    LoopbackDaemon& operator=(const LoopbackDaemon&) = delete;

    // The unpacked file at relative ("usr/sbin/vsftpd"); throws std::runtime_error when it is
    // missing.
    static std::filesystem::path Program(const std::string& relative);

    // Runs argv with variables ("NAME=value") added to the environment and waits, 20 seconds at
    // most, until the daemon accepts connections; throws std::runtime_error with log() when it
    // ends or does not listen in time.
    void Start(const std::vector<std::string>& argv, const std::vector<std::string>& variables,
               const std::function<std::string()>& log);

    const std::filesystem::path& Folder() const { return folder_; }
    unsigned short Port() const { return port_; }
    // "127.0.0.1:port", as the program's host field takes it.
    std::string Host() const;

private:
    void stop();

    std::filesystem::path folder_;
    unsigned short port_ = 0;
    pid_t pid_ = -1;
};

// 127.0.0.1:port (0: any free port), as bind and connect take it.
sockaddr_in LoopbackAddress(unsigned short port);
// Writes text to path, readable by its owner only: daemons refuse password files others can read.
void WritePrivateFile(const std::filesystem::path& path, const std::string& text);
// Runs argv to its end (30 seconds at most); throws std::runtime_error unless it exits with 0.
void RunToEnd(const std::vector<std::string>& argv);
// The whole text of a file; empty when it cannot be read.
std::string FileText(const std::filesystem::path& path);
