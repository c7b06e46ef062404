#pragma once

#include <string>

class Tftp_module;

// How a connection test ended.
enum class ConnectionTestResult {
    Connected, // logged in (and logged out again)
    Failed,    // the login failed
    Busy,      // another conversation (a retrieval) holds the FTP client; nothing was sent
};

// Logs in with host, user and password and disconnects at once, so that every test is a fresh
// login. Never waits for a conversation that is going on.
ConnectionTestResult TestConnection(Tftp_module& ftp, const std::string& host,
                                    const std::string& username, const std::string& password);
