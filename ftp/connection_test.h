#pragma once

#include <string>

#include "ftp/ftp_client.h"

class Tftp_module;

// How a connection test ended.
enum class ConnectionTestResult {
    Connected, // logged in (and logged out again)
    Failed,    // the login failed
    Busy,      // another conversation (a retrieval) holds the FTP client; nothing was sent
};

struct ConnectionTestReport {
    ConnectionTestResult result = ConnectionTestResult::Failed;
    // The TLS version the conversation was protected with ("TLSv1.2"); empty when plain.
    std::string tlsProtocol;
    // The server refused AUTH TLS and the login went on in plain FTP (FtpSecurity::Auto).
    bool tlsRefused = false;
    // The server offers MLSD: a walk takes its exact UTC times, and the offset setting only
    // names the zone they are written in.
    bool mlsd = false;
};

// Logs in with host, user and password, with tls, and disconnects at once, so that every test
// is a fresh login. Never waits for a conversation that is going on.
ConnectionTestReport TestConnection(Tftp_module& ftp, const std::string& host,
                                    const std::string& username, const std::string& password,
                                    const FtpTlsOptions& tls = {});
