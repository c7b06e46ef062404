#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "support/fake_ftp_server.h"
#include "support/fixed_clock.h"
#include "support/ftp_daemons.h"
#include "support/proftpd_server.h"
#include "support/py_ftp_server.h"
#include "support/temp_folder.h"
#include "support/test_certificates.h"

// Explicit FTP over TLS against real servers (pyftpdlib and ProFTPD, TLS required, data
// connections required to resume the control connection's session), and the cases where the
// password must never cross: a refused AUTH TLS, a failed handshake, a certificate that cannot
// be verified.

using namespace std::chrono_literals;
using fake_ftp::Step;

namespace {

const FixedClock kClock(DateTime{2026, 3, 15, 12, 0, 0, 0});

class FtpTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ca_ = std::make_unique<TrustedTestCa>(); }
    static void TearDownTestSuite() { ca_.reset(); }

    // A client that speaks TLS as told, with bounds short enough for the faults.
    std::unique_ptr<Tftp_module> client(FtpSecurity security, std::string trusted = {}) {
        auto module = std::make_unique<Tftp_module>(kClock);
        Tftp_module::Session session = module->Lock();
        session->SetTimeouts(FtpTimeouts{5s, 5s});
        session->SetTls(FtpTlsOptions{security, std::move(trusted)});
        return module;
    }

    static std::unique_ptr<TrustedTestCa> ca_;
};

std::unique_ptr<TrustedTestCa> FtpTlsTest::ca_;

// Lists the root, stores a file and lists again, all over TLS; the bytes arrive unchanged.
void walkAndStore(Tftp_module& module, const std::string& host, const std::string& user,
                  const std::string& password, const std::filesystem::path& root) {
    ASSERT_EQ(module.FtpConnect(host, user, password), 0) << module.LastError();
    Tftp_module::Session session = module.Lock();
    ASSERT_NE(session->ControlTls(), nullptr) << "the login went in clear";
    std::filesystem::remove(root / "sitemap.xml");
    session->ListFolder();
    ASSERT_EQ(session->FolderListing().size(), 1u);
    EXPECT_EQ(session->FolderListing()[0].name, "index.html");

    TempFolder local("sw_tls_upload");
    std::string document(300000, 'x');
    for (std::size_t i = 0; i < document.size(); i += 97)
        document[i] = char('a' + i % 26);
    WriteFileAtomically(local.Path() / "sitemap.xml", document);
    ASSERT_FALSE(module.FtpUpload((local.Path() / "sitemap.xml").string(), "sitemap.xml"))
        << module.LastError();
    const std::string stored = ReadFile(root / "sitemap.xml");
    EXPECT_EQ(stored.size(), document.size());
    EXPECT_TRUE(stored == document) << "the upload arrived changed";
    // Every data connection resumes a session, also beyond the sessions the server issued
    // with the control connection, and after an upload.
    for (int i = 0; i < 4; ++i) {
        session->ListFolder();
        EXPECT_EQ(session->FolderListing().size(), 2u);
    }
    module.FtpDisconnect();
}

} // namespace

TEST_F(FtpTlsTest, RealServersThatRequireTlsTakeTheWholeConversation) {
    {
        SCOPED_TRACE("pyftpdlib");
        PyFtpServer server(PyFtpServer::Tls{ca_->Certificates().trusted.certificate,
                                            ca_->Certificates().trusted.key, true});
        std::ofstream(server.Root() / "index.html") << "<p>";
        walkAndStore(*client(FtpSecurity::Required), server.Host(), server.User(),
                     server.Password(), server.Root());
        walkAndStore(*client(FtpSecurity::Auto), server.Host(), server.User(), server.Password(),
                     server.Root());
        // Without TLS the server refuses the login.
        EXPECT_EQ(
            client(FtpSecurity::Off)->FtpConnect(server.Host(), server.User(), server.Password()),
            1);
    }
    // ProFTPD and vsftpd refuse a data connection that does not resume a session; Pure-FTPd
    // resumes none over TLS 1.3, so the next login takes TLS 1.2, whose sessions it resumes.
    const auto daemon = [&](const char* name, const auto& server, const std::string& user,
                            const char* nextProtocol) {
        SCOPED_TRACE(name);
        std::ofstream(server.Root() / "index.html") << "<p>";
        auto module = client(FtpSecurity::Required);
        try {
            walkAndStore(*module, server.Host(), user, server.Password(), server.Root());
            ASSERT_EQ(module->FtpConnect(server.Host(), user, server.Password()), 0)
                << module->LastError();
            EXPECT_EQ(module->Lock()->ControlTls()->Protocol(), nextProtocol);
            module->Lock()->ListFolder();
        } catch (const EIdException& error) {
            ADD_FAILURE() << error.what();
        }
        module->FtpDisconnect();
    };
    const DaemonTls tls{ca_->Certificates().trusted.certificate, ca_->Certificates().trusted.key};
    {
        ProftpdServer server(tls.certificate, tls.key);
        daemon("ProFTPD", server, server.User(), "TLSv1.3");
        if (HasFailure())
            std::cerr << server.Log();
    }
    {
        VsftpdServer server(&tls);
        daemon("vsftpd", server, server.User(), "TLSv1.3");
        if (HasFailure())
            std::cerr << server.Log();
    }
    PureFtpdServer server(&tls);
    daemon("Pure-FTPd", server, server.User(), "TLSv1.2");
}

TEST_F(FtpTlsTest, ACertificateThatCannotBeVerifiedStopsTheLoginUntilTrusted) {
    struct Case {
        const char* what;
        const TestCertificates::Pair& pair;
        CertificateProblem problem;
    };
    const std::vector<Case> cases = {
        {"self-signed", ca_->Certificates().selfSigned, CertificateProblem::SelfSigned},
        {"wrong name", ca_->Certificates().wrongName, CertificateProblem::WrongName},
        {"expired", ca_->Certificates().expired, CertificateProblem::Expired},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PyFtpServer server(PyFtpServer::Tls{c.pair.certificate, c.pair.key, true});
        auto module = client(FtpSecurity::Required);
        std::string fingerprint;
        try {
            module->Lock()->Connect(server.Host(), server.User(), server.Password());
            ADD_FAILURE() << "an unverified certificate was taken";
        } catch (const EIdUntrustedCertificate& error) {
            EXPECT_EQ(error.Certificate().problem, c.problem) << error.what();
            if (c.problem == CertificateProblem::WrongName)
                EXPECT_EQ(error.Certificate().problemDetail, "127.0.0.1");
            EXPECT_EQ(error.Certificate().fingerprint.rfind("SHA256:", 0), 0u);
            EXPECT_EQ(error.Certificate().fingerprint.size(), 7u + 32 * 3 - 1);
            EXPECT_EQ(error.Failure().kind, FtpFailureKind::UntrustedCertificate);
            fingerprint = error.Certificate().fingerprint;
        }
        EXPECT_FALSE(module->Lock()->IsConnected());
        // Not even the user name went out.
        EXPECT_EQ(server.CommandLog().find("USER"), std::string::npos) << server.CommandLog();

        // Trusted by its fingerprint, the same certificate is taken.
        auto trusting = client(FtpSecurity::Required, fingerprint);
        EXPECT_EQ(trusting->FtpConnect(server.Host(), server.User(), server.Password()), 0)
            << trusting->LastError();
        trusting->FtpDisconnect();
    }

    // Another certificate than the one trusted is asked about again.
    PyFtpServer server(PyFtpServer::Tls{ca_->Certificates().selfSigned.certificate,
                                        ca_->Certificates().selfSigned.key, true});
    auto module = client(FtpSecurity::Required, "SHA256:" + std::string(95, '0'));
    EXPECT_THROW(module->Lock()->Connect(server.Host(), server.User(), server.Password()),
                 EIdUntrustedCertificate);
}

TEST_F(FtpTlsTest, APasswordNeverCrossesInClearWhenTlsIsRequired) {
    const std::vector<Step> refusal = {{"", {"220 Ready"}},
                                       {"AUTH TLS", {"502 Command not implemented"}},
                                       fake_ftp::ExpectClose()};
    {
        SCOPED_TRACE("required, AUTH TLS refused");
        FakeFtpServer server(refusal);
        auto module = client(FtpSecurity::Required);
        EXPECT_EQ(module->FtpConnect(server.Host(), "anna", "secret"), 1);
        EXPECT_EQ(module->LastError().kind, FtpFailureKind::TlsRefused) << module->LastError();
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_EQ(server.Commands(), (std::vector<std::string>{"AUTH TLS"}));
    }
    {
        SCOPED_TRACE("auto, AUTH TLS refused: plain, as before");
        FakeFtpServer server({{"", {"220 Ready"}},
                              {"AUTH TLS", {"500 AUTH not understood"}},
                              {"USER anna", {"331 Password"}},
                              {"PASS secret", {"230 Welcome"}},
                              {"FEAT", {"500 Unknown command"}},
                              {"TYPE I", {"200 OK"}},
                              {"SYST", {"215 UNIX"}},
                              fake_ftp::ExpectClose()});
        auto module = client(FtpSecurity::Auto);
        EXPECT_EQ(module->FtpConnect(server.Host(), "anna", "secret"), 0) << module->LastError();
        EXPECT_TRUE(module->Lock()->TlsRefused());
        module->FtpDisconnect();
        EXPECT_TRUE(server.WaitUntilFinished());
        EXPECT_TRUE(server.Problems().empty());
    }
    for (const FtpSecurity security : {FtpSecurity::Required, FtpSecurity::Auto}) {
        SCOPED_TRACE("a handshake that fails never falls back to plain text");
        FakeFtpServer server({{"", {"220 Ready"}},
                              {"AUTH TLS", {"234 Go ahead"}},
                              fake_ftp::SendRaw("this is no TLS record\r\n"),
                              fake_ftp::ExpectClose()});
        auto module = client(security);
        EXPECT_EQ(module->FtpConnect(server.Host(), "anna", "secret"), 1);
        EXPECT_EQ(module->LastError().kind, FtpFailureKind::TlsHandshakeFailed)
            << module->LastError();
        EXPECT_TRUE(server.WaitUntilFinished());
        // The server sees the handshake's bytes; never a login.
        for (const std::string& line : server.Commands())
            EXPECT_TRUE(line.rfind("USER", 0) != 0 && line.rfind("PASS", 0) != 0);
    }
}

TEST_F(FtpTlsTest, AServerThatClosesAfterAuthTlsIsAConnectionErrorNotASignal) {
    // OpenSSL's writes to the closed socket must not raise SIGPIPE, which ends the process.
    FakeFtpServer server(
        {{"", {"220 Ready"}}, {"AUTH TLS", {"234 Go ahead"}}, fake_ftp::Disconnect()});
    auto module = client(FtpSecurity::Required);
    EXPECT_EQ(module->FtpConnect(server.Host(), "anna", "secret"), 1);
    EXPECT_NE(module->LastError().kind, FtpFailureKind::None);
    EXPECT_FALSE(module->Lock()->IsConnected());
}

TEST_F(FtpTlsTest, AStopDuringTheHandshakeEndsItAtOnce) {
    FakeFtpServer server({{"", {"220 Ready"}}, {"AUTH TLS", {"234 Go ahead"}}, fake_ftp::Stall()});
    auto module = client(FtpSecurity::Required);
    module->Lock()->SetTimeouts(FtpTimeouts{60s, 60s});
    std::thread stopper([&module] {
        std::this_thread::sleep_for(300ms);
        module->Abort();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(module->Lock()->Connect(server.Host(), "anna", "secret"), EIdStopped);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(module->Lock()->IsConnected());
}
