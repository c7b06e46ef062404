// The walk over SFTP against OpenSSH's sshd on loopback, where the server, not the table of a
// scripted one, decides: a login by password or by the SSH agent, a folder the user may not
// read, a session that drops mid-walk.
#include "jobs/retrieval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "core/file_io.h"
#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "settings/ssh_settings.h"
#include "support/ssh_server.h"
#include "support/tcp_relay.h"
#include "support/walk_script.h"

namespace fs = std::filesystem;

namespace {

using walk_script::RecordingObserver;

bool met(const RecordingObserver& observer, WalkProblemKind kind) {
    return std::count(observer.problems.begin(), observer.problems.end(), kind) > 0;
}

// The folder and the name of each row: the page it is for.
std::set<std::string> pagesOf(const std::vector<std::string>& rows) {
    std::set<std::string> pages;
    for (const std::string& row : rows)
        pages.insert(row.substr(0, row.find(';', row.find(';') + 1)));
    return pages;
}

class SftpWalk : public ::testing::Test {
protected:
    SftpWalk() {
        settings.transport = kTransportItems[1];
        settings.web_url = "http://www.example.jp";
        settings.hostname = "127.0.0.1:" + std::to_string(server.Port());
        settings.username = SshServer::User();
        settings.key_file = server.Key("plain").string();
        settings.site_root = server.Site().string();
        settings.ext_list = ".html";
        settings.connections = "1";
        TrustHostKey(settings, KeyFingerprint(server.HostKeyFile().string() + ".pub"));
    }

    RetrievalSummary walk(RecordingObserver& observer) {
        Tftp_module module;
        return RunRetrieval(module, settings, observer);
    }

    // The site may be read by UnprivilegedUser() too.
    SshServer server{true};
    SiteSettings settings;
};

} // namespace

// With no key file the settings' password logs in, and without one the user's SSH agent.
TEST_F(SftpWalk, LogsInByPasswordOrByTheAgent) {
    WriteFileAtomically(server.Site() / "index.html", "<p>home</p>");
    const SshAgent agent(server.Key("plain"));
    const std::string noAgent = (server.Folder() / "none.sock").string();
    settings.key_file.clear();
    const char* const before = std::getenv("SSH_AUTH_SOCK");
    const std::optional<std::string> agentBefore =
        before ? std::optional<std::string>(before) : std::nullopt;
    struct Case {
        const char* name;
        std::string password;
        std::string agentSocket;
        bool loggedIn;
    } const cases[] = {
        {"password", SshServer::Password(), noAgent, true},
        {"wrong password, though the agent could", "wrong", agent.Socket(), false},
        {"agent holding the key", "", agent.Socket(), true},
        {"no agent there", "", noAgent, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.password = c.password;
        ::setenv("SSH_AUTH_SOCK", c.agentSocket.c_str(), 1);
        RecordingObserver observer;
        const RetrievalSummary summary = walk(observer);
        EXPECT_EQ(summary.loginFailed, !c.loggedIn);
        EXPECT_EQ(met(observer, WalkProblemKind::LoginFailed), !c.loggedIn);
        EXPECT_EQ(summary.WalkedWholeSite(), c.loggedIn);
        EXPECT_EQ(observer.rows.size(), c.loggedIn ? 1u : 0u);
    }
    if (agentBefore)
        ::setenv("SSH_AUTH_SOCK", agentBefore->c_str(), 1);
    else
        ::unsetenv("SSH_AUTH_SOCK");
}

// Over FTP a refused folder and a missing one answer alike; over SFTP the server says which.
TEST_F(SftpWalk, AFolderTheUserMayNotReadIsReportedAsDeniedAndTheWalkGoesOn) {
    settings.username = SshServer::UnprivilegedUser();
    for (const char* folder : {"open", "closed"}) {
        fs::create_directory(server.Site() / folder);
        WriteFileAtomically(server.Site() / folder / "page.html", "<p>page</p>");
    }
    WriteFileAtomically(server.Site() / "index.html", "<p>home</p>");
    fs::permissions(server.Site() / "closed", fs::perms::none);
    RecordingObserver observer;
    const RetrievalSummary summary = walk(observer);
    fs::permissions(server.Site() / "closed", fs::perms::owner_all);

    EXPECT_TRUE(met(observer, WalkProblemKind::FolderDenied));
    EXPECT_FALSE(met(observer, WalkProblemKind::FolderMissing));
    EXPECT_EQ(summary.foldersRefused, 1u);
    EXPECT_FALSE(summary.Failed());
    EXPECT_FALSE(summary.WalkedWholeSite()) << "pages of the closed folder would be forgotten";
    EXPECT_EQ(pagesOf(observer.rows), (std::set<std::string>{"http://www.example.jp/;index.html",
                                                              "http://www.example.jp/open/;page.html"}));
}

TEST_F(SftpWalk, ASessionDroppedMidWalkEndsTheWalkEarly) {
    constexpr int kFolders = 100;
    for (int i = 0; i < kFolders; ++i) {
        const fs::path folder = server.Site() / ("f" + std::to_string(i));
        fs::create_directory(folder);
        WriteFileAtomically(folder / "page.html", "<p>page</p>");
    }
    TcpRelay relay(server.Port());
    settings.hostname = "127.0.0.1:" + std::to_string(relay.Port());
    TrustHostKey(settings, KeyFingerprint(server.HostKeyFile().string() + ".pub"));
    RecordingObserver observer;
    // Once the walk is inside the site root, the link drops.
    observer.stop = [&] {
        if (!observer.entered.empty())
            relay.Cut();
        return false;
    };
    const RetrievalSummary summary = walk(observer);

    EXPECT_TRUE(summary.endedEarly);
    EXPECT_TRUE(summary.Failed());
    EXPECT_FALSE(summary.WalkedWholeSite());
    EXPECT_TRUE(met(observer, WalkProblemKind::WalkEnded));
    EXPECT_LT(observer.rows.size(), std::size_t(kFolders));
}
