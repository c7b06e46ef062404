#include "ftp/Uftp_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_ftp_server.h"
#include "support/fault_scripts.h"
#include "support/fixed_clock.h"

// A listing conversation broken at every point by a server that drops, stalls or floods:
// each ends within its time-outs with a clear error, a closed client and the listing of the
// last LIST that completed.

using namespace std::chrono_literals;
using fake_ftp::Step;
using Lines = std::vector<std::string>;

namespace {

constexpr auto kConnectTimeout = 500ms;
constexpr auto kSilenceTimeout = 200ms;
// Every fault must end well within this, whatever it is.
constexpr auto kBound = 2s;

const FixedClock kClock(DateTime{2026, 3, 15, 12, 0, 0, 0});

class FtpFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        FtpTimeouts timeouts;
        timeouts.connect = kConnectTimeout;
        timeouts.silence = kSilenceTimeout;
        module.Lock()->SetTimeouts(timeouts);
    }

    Tftp_module module{kClock};
};

const std::string kFirst = "-rw-r--r-- 1 user group 10 Jan 5 2005 first.html\r\n";
const std::string kSecond = "-rw-r--r-- 1 user group 10 Jan 5 2005 second.html\r\n";

std::vector<Step> listing(const std::string& payload) {
    return {fake_ftp::Pasv(),
            {"LIST", {"150 Here it comes"}},
            fake_ftp::SendData(payload),
            {"", {"226 Done"}}};
}

} // namespace

// Over both roads a listing takes: PASV and LIST, and with the features that offer them, EPSV
// and MLSD.
TEST_F(FtpFaultTest, EveryPointOfTwoListingsFailsCleanly) {
    struct Road {
        const char* name;
        Step features;
        Step passive;
        const char* command;
        std::string first;
        std::string second;
    };
    const std::vector<Road> roads = {
        {"LIST", {"FEAT", {"500 FEAT not understood"}}, fake_ftp::Pasv(), "LIST", kFirst, kSecond},
        {"MLSD",
         {"FEAT", {"211-Features:", " MLST type*;modify*;", " EPSV", "211 End"}},
         fake_ftp::Epsv(),
         "MLSD",
         "type=file;modify=20050105000000; first.html\r\n",
         "type=file;modify=20050105000000; second.html\r\n"},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        auto listingOf = [&road](const std::string& payload) {
            return std::vector<Step>{road.passive,
                                     {road.command, {"150 Here it comes"}},
                                     fake_ftp::SendData(payload),
                                     {"", {"226 Done"}}};
        };
        std::vector<Step> script = fake_ftp::WithLogin(listingOf(road.first));
        for (Step& step : script) {
            if (step.command == "FEAT")
                step = road.features;
        }
        for (const Step& step : listingOf(road.second))
            script.push_back(step);

        for (const fake_ftp::FaultyScript& faulty : fake_ftp::FaultsAtEveryStep(script)) {
            SCOPED_TRACE(faulty.description);
            FakeFtpServer server(faulty.script);
            Tftp_module ftp(kClock);
            ftp.Lock()->SetTimeouts(module.Lock()->Timeouts());
            ftp.Lock()->SetMlsdAllowed(true);
            const auto start = std::chrono::steady_clock::now();

            FtpFailure error;
            Lines kept; // the lines of the last listing that completed
            if (ftp.FtpConnect(server.Host(), "anna", "secret") != 0) {
                error = ftp.LastError();
            } else {
                Tftp_module::Session session = ftp.Lock();
                try {
                    session->ListFolder();
                    kept = {road.first.substr(0, road.first.size() - 2)};
                    session->ListFolder();
                    kept = {road.second.substr(0, road.second.size() - 2)};
                } catch (const EIdException& failure) {
                    error = failure.Failure();
                }
                EXPECT_EQ(session->ListingLines(), kept);
                EXPECT_EQ(session->FolderListing().size(), kept.size());
            }

            EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
            if (faulty.completes) {
                EXPECT_EQ(error.kind, FtpFailureKind::None) << error;
                EXPECT_EQ(kept.size(), 1u);
            } else {
                EXPECT_TRUE(fake_ftp::DescribesFault(faulty.fault, error)) << error;
                EXPECT_FALSE(ftp.Lock()->IsConnected());
            }
        }
    }
}

TEST_F(FtpFaultTest, PasvPortWhereNothingListensClosesTheConversation) {
    FakeFtpServer server(fake_ftp::WithLogin({
        fake_ftp::PasvToClosedPort(),
        {"LIST", {}},
        fake_ftp::ExpectClose(),
    }));
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    try {
        session->ListFolder();
        FAIL() << "a listing without a data connection succeeded";
    } catch (const EIdSocketError& error) {
        EXPECT_EQ(error.Failure().kind, FtpFailureKind::CannotConnect) << error.what();
        EXPECT_EQ(error.Failure().subject.rfind("127.0.0.1:", 0), 0u) << error.what();
        EXPECT_EQ(error.Failure().detail, "Connection refused");
    }
    // LIST went out while the connection was being made: its reply would come out of step.
    EXPECT_FALSE(session->IsConnected());
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Lines());
}

// A server that answers a listing sent ahead of its data connection with 425 gets it again
// after the connection, and the listing arrives.
TEST_F(FtpFaultTest, ListingRefusedAheadOfTheDataConnectionIsSentAgain) {
    std::vector<Step> script = fake_ftp::WithLogin(
        {fake_ftp::Pasv(), {"LIST", {"425 Open the data connection first"}}});
    for (const Step& step : listing(kFirst))
        script.push_back(step);
    FakeFtpServer server(script);
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    EXPECT_EQ(session->ListingLines(), Lines{kFirst.substr(0, kFirst.size() - 2)});
    session->Disconnect();
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Lines());
}

TEST_F(FtpFaultTest, ListingLineOfTenMebibytesIsOneEntry) {
    const std::string name = std::string(10 << 20, 'n') + ".html";
    FakeFtpServer server(
        fake_ftp::WithLogin(listing("-rw-r--r-- 1 user group 10 Jan 5 2005 " + name)));
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    const auto start = std::chrono::steady_clock::now();
    session->ListFolder();
    ASSERT_EQ(session->FolderListing().size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
    EXPECT_TRUE(session->FolderListing()[0].name == name);
}

TEST_F(FtpFaultTest, ListingOfAMillionEntries) {
    std::string payload;
    for (int i = 0; i < 1000000; ++i)
        payload += "-rw-r--r-- 1 user group 10 Jan 5 2005 page" + std::to_string(i) + ".html\r\n";
    FakeFtpServer server(fake_ftp::WithLogin(listing(payload)));
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    const auto start = std::chrono::steady_clock::now();
    session->ListFolder();
    const TIdFTPListItems& entries = session->FolderListing();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(entries.size(), 1000000u);
    EXPECT_EQ(entries[999999].name, "page999999.html");
    std::cout << "LIST of 1,000,000 entries, received and parsed: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms\n";
}

TEST_F(FtpFaultTest, EndlessListingIsRefusedAtItsLimit) {
    const std::string line = "-rw-r--r-- 1 user group 10 Jan 5 2005 page.html\r\n";
    std::string mebibyte;
    while (mebibyte.size() < (1 << 20))
        mebibyte += line;
    std::vector<Step> script = fake_ftp::WithLogin(listing(kFirst));
    script.push_back(fake_ftp::Pasv());
    script.push_back({"LIST", {"150 Here it comes"}});
    script.push_back(fake_ftp::SendDataRepeated(mebibyte, 1000));
    script.push_back(fake_ftp::Stall());
    FakeFtpServer server(script);
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    try {
        session->ListFolder();
        FAIL() << "a listing without end was taken";
    } catch (const EIdSocketError& error) {
        EXPECT_EQ(error.Failure().kind, FtpFailureKind::ListingTooLong);
    }
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(session->FolderListing().size(), 1u) << "the previous listing was lost";
}

// Lines cost memory beyond their bytes: a listing of more lines than any folder of a site holds
// is refused whole, and the conversation goes on.
TEST_F(FtpFaultTest, ListingOfTooManyLinesIsRefused) {
    std::string mebibyte;
    while (mebibyte.size() < (1 << 20))
        mebibyte += "x\n";
    std::vector<Step> script = fake_ftp::WithLogin(listing(kFirst));
    script.push_back(fake_ftp::Pasv());
    script.push_back({"LIST", {"150 Here it comes"}});
    script.push_back(fake_ftp::SendDataRepeated(mebibyte, 5)); // 2,621,440 lines
    script.push_back({"", {"226 Done"}});
    script.push_back({"CWD /", {"250 OK"}});
    FakeFtpServer server(script);
    ASSERT_EQ(module.FtpConnect(server.Host(), "anna", "secret"), 0);
    Tftp_module::Session session = module.Lock();
    session->ListFolder();
    try {
        session->ListFolder();
        FAIL() << "a listing of too many lines was taken";
    } catch (const EIdException& error) {
        EXPECT_EQ(error.Failure().kind, FtpFailureKind::ListingTooManyLines);
        EXPECT_EQ(error.Failure().count, 2097152u);
    }
    EXPECT_EQ(session->ListingLines(), Lines{kFirst.substr(0, kFirst.size() - 2)});
    session->ChangeFolder("/");
    session->Disconnect();
    EXPECT_TRUE(server.WaitUntilFinished());
    EXPECT_EQ(server.Problems(), Lines());
}

// A stop raised from another thread ends every wait at once, long before the silence bound,
// and leaves the client closed; the next conversation starts clean after ClearStop().
TEST(FtpStopTest, AStopEndsEveryWaitAtOnce) {
    struct Case {
        const char* where;
        std::vector<Step> script;
        bool loggedIn; // the stop comes during a LIST, after the login
    };
    const std::vector<Case> cases = {
        {"greeting", {fake_ftp::Stall()}, false},
        {"reply to USER", {{"", {"220 Ready"}}, {"USER anna", {}}, fake_ftp::Stall()}, false},
        {"listing data",
         fake_ftp::WithLogin({fake_ftp::Pasv(),
                              {"LIST", {"150 Here it comes"}},
                              fake_ftp::SendDataKeepOpen("-rw-r--r-- 1 a b 5 Dec 6 10:20 x\r\n"),
                              fake_ftp::Stall()}),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        FakeFtpServer server(c.script);
        Tftp_module module(kClock);
        module.Lock()->SetTimeouts(FtpTimeouts{20s, 20s});
        std::thread stopper([&module] {
            std::this_thread::sleep_for(300ms);
            module.Abort();
        });
        const auto start = std::chrono::steady_clock::now();
        try {
            Tftp_module::Session session = module.Lock();
            session->Connect(server.Host(), "anna", "secret");
            ASSERT_TRUE(c.loggedIn) << "the login went through";
            session->ListFolder();
            ADD_FAILURE() << "the listing ended without the stop";
        } catch (const EIdStopped&) {
        }
        stopper.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_FALSE(module.Lock()->IsConnected());

        // Still raised: the next wait ends at once, until the stop is withdrawn.
        FakeFtpServer next({{"", {"220 Ready"}},
                            fake_ftp::ExpectClose(),
                            {"", {"220 Ready"}},
                            {"USER anna", {"230 Welcome"}},
                            {"FEAT", {"500 Unknown command"}},
                            {"TYPE I", {"200 OK"}},
                            {"SYST", {"215 UNIX"}},
                            fake_ftp::Stall()});
        EXPECT_EQ(module.FtpConnect(next.Host(), "anna", "secret"), 1);
        module.ClearStop();
        EXPECT_EQ(module.FtpConnect(next.Host(), "anna", "secret"), 0);
        module.FtpDisconnect();
    }
}
