// The SFTP session against OpenSSH's sshd on loopback.
#include "sftp/sftp_session.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include "support/ssh_server.h"
#include "support/tcp_relay.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

SftpCredentials keyLogin(const fs::path& key, const std::string& passphrase = {}) {
    SftpCredentials credentials;
    credentials.username = SshServer::User();
    credentials.method = SftpAuthMethod::KeyFile;
    credentials.keyFile = key;
    credentials.passphrase = passphrase;
    return credentials;
}

// The kind an operation raised, or nothing when it succeeded.
template <typename Operation> std::optional<SftpFailureKind> failureOf(Operation operation) {
    try {
        operation();
        return std::nullopt;
    } catch (const SftpError& error) {
        return error.Kind();
    }
}

void writeFile(const fs::path& path, const std::string& bytes, std::time_t modified = 0) {
    std::ofstream(path, std::ios::binary) << bytes;
    if (modified != 0) {
        const timeval times[2] = {{modified, 0}, {modified, 0}};
        ::utimes(path.c_str(), times);
    }
}

class SftpSessionTest : public ::testing::Test {
protected:
    void SetUp() override { trust.knownHosts = server.Folder() / "known_hosts"; }

    void connect(SftpSession& session, unsigned short port = 0) {
        session.Connect("127.0.0.1", port ? port : server.Port(), trust,
                        keyLogin(server.Key("plain")));
    }
    std::string hostFingerprint() const {
        return KeyFingerprint(server.HostKeyFile().string() + ".pub");
    }

    SshServer server;
    SftpHostTrust trust;
};

} // namespace

TEST_F(SftpSessionTest, HostKeysAreTrustedAsOpenSshUsersKnowThem) {
    const std::string fingerprint = hostFingerprint();
    ASSERT_EQ(fingerprint.rfind("SHA256:", 0), 0u);
    std::ofstream(server.Folder() / "other_known_hosts")
        << "[127.0.0.1]:" << server.Port() << " "
        << FileText(server.Key("stranger").string() + ".pub");
    std::ofstream(server.Folder() / "good_known_hosts") << server.KnownHostsLine();
    struct Case {
        const char* name;
        const char* knownHosts;
        std::string trusted;
        std::optional<SftpFailureKind> expected;
    } const cases[] = {
        {"unknown", "known_hosts", "", SftpFailureKind::HostKeyUnknown},
        {"trusted by the user", "known_hosts", fingerprint, std::nullopt},
        {"in known_hosts", "good_known_hosts", "", std::nullopt},
        {"stored fingerprint changed", "known_hosts",
         "SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", SftpFailureKind::HostKeyChanged},
        {"known_hosts names another key", "other_known_hosts", "", SftpFailureKind::HostKeyChanged},
    };
    const auto openFiles = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
    };
    const auto filesBefore = openFiles();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trust = {server.Folder() / c.knownHosts, c.trusted};
        SftpSession session;
        SshHostKey reported;
        const auto failure = failureOf([&] {
            try {
                connect(session);
            } catch (const SftpError& error) {
                reported = error.HostKey();
                throw;
            }
        });
        EXPECT_EQ(failure, c.expected);
        EXPECT_EQ(session.IsConnected(), !c.expected);
        EXPECT_EQ(session.HostKey().fingerprint, fingerprint);
        EXPECT_EQ(session.HostKey().type, "ssh-ed25519");
        if (c.expected) {
            EXPECT_EQ(reported.fingerprint, fingerprint);
        }
    }
    EXPECT_EQ(openFiles(), filesBefore) << "a closed session kept its socket";
}

TEST_F(SftpSessionTest, LogsInWithKeysTheAgentOrAPassword) {
    trust.trustedFingerprint = hostFingerprint();
    const SshAgent agent(server.Key("plain"));
    SftpCredentials agentLogin{
        SshServer::User(), SftpAuthMethod::Agent, {}, agent.Socket(), {}, {}};
    SftpCredentials emptyAgent = agentLogin;
    emptyAgent.agentSocket = (server.Folder() / "no_agent.sock").string();
    SftpCredentials password{
        SshServer::User(), SftpAuthMethod::Password, SshServer::Password(), {}, {}, {}};
    SftpCredentials wrongPassword = password;
    wrongPassword.password = "not the password";
    struct Case {
        const char* name;
        SftpCredentials credentials;
        std::optional<SftpFailureKind> expected;
    } const cases[] = {
        {"key file", keyLogin(server.Key("plain")), std::nullopt},
        {"encrypted key", keyLogin(server.Key("secret"), SshServer::Passphrase()), std::nullopt},
        {"encrypted key without passphrase", keyLogin(server.Key("secret")),
         SftpFailureKind::KeyPassphrase},
        {"wrong passphrase", keyLogin(server.Key("secret"), "wrong"),
         SftpFailureKind::KeyPassphrase},
        {"key not authorized", keyLogin(server.Key("stranger")), SftpFailureKind::AuthFailed},
        {"missing key file", keyLogin(server.Folder() / "id_none"), SftpFailureKind::KeyUnusable},
        {"agent", agentLogin, std::nullopt},
        {"no agent", emptyAgent, SftpFailureKind::AuthFailed},
        {"password", password, std::nullopt},
        {"wrong password", wrongPassword, SftpFailureKind::AuthFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SftpSession session;
        EXPECT_EQ(
            failureOf([&] { session.Connect("127.0.0.1", server.Port(), trust, c.credentials); }),
            c.expected);
        EXPECT_EQ(session.IsConnected(), !c.expected);
        if (!c.expected) {
            EXPECT_NO_THROW(session.ListFolder(server.Site().string()));
        }
    }
}

TEST_F(SftpSessionTest, ListsFoldersWithExactTimesAndLinksAsLinks) {
    trust.trustedFingerprint = hostFingerprint();
    const fs::path site = server.Site();
    fs::create_directory(site / "sub");
    writeFile(site / "index.html", "<html>home</html>", 1700000000); // 2023-11-14 22:13:20 UTC
    writeFile(site / "sub" / "page.html", "page", 946684799);        // 1999-12-31 23:59:59 UTC
    fs::create_directory_symlink("sub", site / "link");
    SftpSession session;
    connect(session);

    std::vector<SftpEntry> entries = session.ListFolder(site.string());
    std::sort(entries.begin(), entries.end(),
              [](const SftpEntry& a, const SftpEntry& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "index.html");
    EXPECT_EQ(entries[0].kind, SftpEntryKind::File);
    EXPECT_EQ(entries[0].modified, *DateTime::FromParts(2023, 11, 14, 22, 13, 20));
    EXPECT_EQ(entries[0].size, 17u);
    EXPECT_EQ(entries[1].name, "link");
    EXPECT_EQ(entries[1].kind, SftpEntryKind::Link);
    EXPECT_EQ(entries[2].name, "sub");
    EXPECT_EQ(entries[2].kind, SftpEntryKind::Folder);

    const std::vector<SftpEntry> sub = session.ListFolder((site / "sub").string());
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_EQ(sub[0].modified, *DateTime::FromParts(1999, 12, 31, 23, 59, 59));

    EXPECT_EQ(failureOf([&] { session.ListFolder((site / "none").string()); }),
              SftpFailureKind::NoSuchFile);
    EXPECT_EQ(session.ReadFile((site / "index.html").string(), 6), "<html>");
    EXPECT_EQ(session.ReadFile((site / "robots.txt").string(), 6), std::nullopt);
    EXPECT_TRUE(session.IsConnected());
}

// OpenSSH answers a directory read with at most 100 names: a larger folder takes several
// replies, and the session serves every later request as before.
TEST_F(SftpSessionTest, ListsAFolderOfSeveralRepliesWhole) {
    trust.trustedFingerprint = hostFingerprint();
    const fs::path many = server.Site() / "many";
    fs::create_directory(many);
    std::set<std::string> names;
    for (int i = 0; i < 250; ++i) {
        const std::string name = "page" + std::to_string(i) + ".html";
        writeFile(many / name, "page");
        names.insert(name);
    }
    SftpSession session;
    connect(session);
    for (int round = 0; round < 2; ++round) {
        std::set<std::string> listed;
        for (const SftpEntry& entry : session.ListFolder(many.string()))
            listed.insert(entry.name);
        EXPECT_EQ(listed, names);
    }
    EXPECT_EQ(session.RealPath(many.string()), fs::canonical(many).string());
    EXPECT_EQ(session.ReadFile((many / "page7.html").string(), 100), "page");
}

TEST_F(SftpSessionTest, UploadReplacesTheFileByteForByteThroughATemporaryName) {
    trust.trustedFingerprint = hostFingerprint();
    const fs::path target = server.Site() / "sitemap.xml";
    writeFile(target, "old sitemap");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string bytes;
    for (unsigned i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>((i * 7919u) >> 3));
    TempFolder local;
    writeFile(local.Path() / "sitemap.xml", bytes);
    SftpSession session;
    connect(session);

    session.Upload(local.Path() / "sitemap.xml", target.string());
    EXPECT_EQ(FileText(target), bytes);
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    session.Upload(local.Path() / "sitemap.xml", (server.Site() / "new.xml").string());
    EXPECT_EQ(FileText(server.Site() / "new.xml"), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(server.Site()), fs::directory_iterator()), 2)
        << "a temporary file stayed behind";

    EXPECT_EQ(failureOf([&] { session.Upload(local.Path(), target.string()); }),
              SftpFailureKind::LocalFile);
    EXPECT_EQ(failureOf([&] { session.Upload(local.Path() / "sitemap.xml", "/no/such/folder/x"); }),
              SftpFailureKind::NoSuchFile);
    session.Remove((server.Site() / "new.xml").string());
    EXPECT_FALSE(fs::exists(server.Site() / "new.xml"));
    EXPECT_EQ(failureOf([&] { session.Remove((server.Site() / "new.xml").string()); }),
              SftpFailureKind::NoSuchFile);
    EXPECT_TRUE(session.IsConnected());
}

TEST_F(SftpSessionTest, ASessionDroppedMidWalkIsALostConnection) {
    trust.trustedFingerprint = hostFingerprint();
    fs::create_directory(server.Site() / "sub");
    TcpRelay relay(server.Port());
    SftpSession session;
    connect(session, relay.Port());
    EXPECT_EQ(session.ListFolder(server.Site().string()).size(), 1u);
    relay.Cut();
    EXPECT_EQ(failureOf([&] { session.ListFolder((server.Site() / "sub").string()); }),
              SftpFailureKind::LostConnection);
    EXPECT_FALSE(session.IsConnected());
}

// A server that goes quiet mid-walk holds a folder read only until the bound, or the stop.
TEST_F(SftpSessionTest, AFolderReadEndsAtTheBoundOrTheStop) {
    trust.trustedFingerprint = hostFingerprint();
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "bound");
        TcpRelay relay(server.Port());
        SftpSession session;
        connect(session, relay.Port());
        SftpTimeouts timeouts;
        timeouts.request = std::chrono::milliseconds(stop ? 60000 : 300);
        session.SetTimeouts(timeouts);
        relay.Hold();
        std::thread stopper;
        if (stop)
            stopper = std::thread([&session] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                session.RaiseStop();
            });
        EXPECT_EQ(failureOf([&] { session.ListFolder(server.Site().string()); }),
                  stop ? SftpFailureKind::Stopped : SftpFailureKind::TimedOut);
        if (stopper.joinable())
            stopper.join();
        EXPECT_FALSE(session.IsConnected());
    }
}

// A server that never greets holds the session only until the bound, or until the stop.
TEST(SftpSessionWaits, EndAtTheBoundOrTheStop) {
    struct Case {
        const char* name;
        bool stop;
        SftpFailureKind expected;
    } const cases[] = {
        {"bound", false, SftpFailureKind::TimedOut},
        {"stop", true, SftpFailureKind::Stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SilentListener silent;
        SftpSession session;
        SftpTimeouts timeouts;
        timeouts.request = std::chrono::milliseconds(c.stop ? 60000 : 300);
        session.SetTimeouts(timeouts);
        std::thread stopper;
        if (c.stop)
            stopper = std::thread([&session] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                session.RaiseStop();
            });
        EXPECT_EQ(failureOf([&] { session.Connect("127.0.0.1", silent.Port(), {}, {}); }),
                  c.expected);
        if (stopper.joinable())
            stopper.join();
        EXPECT_FALSE(session.IsConnected());
    }
}
