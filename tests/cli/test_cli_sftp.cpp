// The built sitewright command against OpenSSH's sshd on loopback: a site described with
// configure, its host key trusted, walked, written and uploaded over SFTP.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/file_io.h"
#include "support/ssh_server.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct Ran {
    int status = -1;
    std::string output; // standard output and error together
};

std::string quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// sitewright with args, input on its standard input, and a home of the test's own (whose
// ~/.ssh/known_hosts is home's) and no SSH agent.
Ran sitewright(const std::string& args, const fs::path& home, const std::string& input = {}) {
    const fs::path in = home / "stdin.txt";
    std::ofstream(in) << input;
    const std::string output =
        CommandOutput("env -u SSH_AUTH_SOCK HOME=" + quoted(home.string()) +
                      " LANG=C.UTF-8 " SW_CLI_PATH " " + args + " <" + quoted(in.string()) +
                      " 2>&1; echo \"status=$?\"");
    const std::size_t mark = output.rfind("status=");
    return {std::stoi(output.substr(mark + 7)), output.substr(0, mark)};
}

class CliSftp : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(server.Site() / "news");
        fs::create_directories(home.Path() / ".ssh");
        WritePrivateFile(server.Site() / "index.html", "<p>home</p>");
        WritePrivateFile(server.Site() / "news" / "a.html", "<p>a</p>");
        WritePrivateFile(server.Site() / "notes.txt", "not a page");
        // A link back up: never entered, or the walk would meet the site inside itself.
        fs::create_directory_symlink("..", server.Site() / "news" / "up");
        configure("--url https://www.example.com --host 127.0.0.1:" +
                  std::to_string(server.Port()) + " --user " + SshServer::User() + " --root " +
                  quoted(server.Site().string()) + " --transport sftp --connections 2");
    }

    void configure(const std::string& args) {
        const Ran run = sitewright("configure --dir " + quoted(dir.Path()) + " " + args, home.Path());
        ASSERT_EQ(run.status, 0) << run.output;
    }

    Ran generate(const std::string& extra = {}, const std::string& input = {}) {
        return sitewright("generate --upload --dir " + quoted(dir.Path()) + " " + extra,
                          home.Path(), input);
    }

    SshServer server;
    TempFolder dir;
    TempFolder home;
};

TEST_F(CliSftp, TrustsTheShownHostKeyThenWalksAndUploads) {
    configure("--key-file " + quoted(server.Key("secret").string()));
    const std::string fingerprint = KeyFingerprint(server.HostKeyFile().string() + ".pub");

    // Unknown: nothing is authenticated, and the way to trust the key is printed.
    Ran run = generate("--passphrase-stdin", SshServer::Passphrase() + "\n");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("--trust-host-key " + fingerprint), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(server.Site() / "sitemap.xml"));

    configure("--trust-host-key " + fingerprint);
    // The key file's passphrase is asked for, never stored: a wrong one fails.
    run = generate("--passphrase-stdin", "wrong\n");
    EXPECT_EQ(run.status, 1) << run.output;
    // The robots.txt line goes over the same transport as the sitemap.
    run = generate("--passphrase-stdin --robots-sitemap-line add",
                   SshServer::Passphrase() + "\n");
    ASSERT_EQ(run.status, 0) << run.output;
    // The times came from SFTP's directory reads: no FTP listing is named.
    EXPECT_NE(run.output.find("、一覧 SFTP\n"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(server.Site() / "robots.txt"),
              "Sitemap: https://www.example.com/sitemap.xml\n");

    const std::string local = ReadFile(dir.Path() / "sitemap.xml");
    EXPECT_EQ(ReadFile(server.Site() / "sitemap.xml"), local);
    EXPECT_NE(local.find("https://www.example.com/index.html"), std::string::npos);
    EXPECT_NE(local.find("https://www.example.com/news/a.html"), std::string::npos);
    EXPECT_EQ(local.find("/up/"), std::string::npos);
    EXPECT_EQ(local.find("notes.txt"), std::string::npos);
    // Nothing left under a temporary name.
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(server.Site()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4u);
}

TEST_F(CliSftp, KnownHostsTrustsAndAChangedKeyIsRefused) {
    configure("--key-file " + quoted(server.Key("plain").string()));
    WritePrivateFile(home.Path() / ".ssh" / "known_hosts", server.KnownHostsLine());
    Ran run = generate();
    EXPECT_EQ(run.status, 0) << run.output;

    // Another key trusted for this host: the server's is refused and not offered for trust.
    configure("--trust-host-key " + KeyFingerprint(server.Key("stranger").string() + ".pub"));
    fs::remove(home.Path() / ".ssh" / "known_hosts");
    fs::remove(server.Site() / "sitemap.xml");
    run = generate();
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.find("--trust-host-key"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(server.Site() / "sitemap.xml"));
}

} // namespace
