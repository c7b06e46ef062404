#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "jobs/problem_text.h"

namespace {

using namespace std::chrono_literals;
using Kind = FtpFailureKind;

// Every kind has its sentence, and the sentence carries the facts the kind promises.
TEST(ProblemTextTest, EveryFailureKindHasASentenceWithItsFacts) {
    struct Case {
        Kind kind;
        bool subject; // the host, address, peer or path appears
        bool detail;  // the reply or the system's reason appears
    };
    const std::vector<Case> cases = {
        {Kind::Unknown, false, true},
        {Kind::NotConnected, false, false},
        {Kind::AlreadyConnected, false, false},
        {Kind::Refused, false, true},
        {Kind::TlsRefused, false, true},
        {Kind::InvalidHost, true, false},
        {Kind::InvalidPort, true, false},
        {Kind::NoPassiveAddress, false, true},
        {Kind::NoExtendedPassivePort, false, true},
        {Kind::NoFolderInReply, false, true},
        {Kind::LineBreakInCommand, false, false},
        {Kind::ReplyTooLong, false, false},
        {Kind::ServerClosed, false, false},
        {Kind::ListingTooLong, false, false},
        {Kind::ListingTooManyLines, false, false},
        {Kind::UnreadableListing, false, true},
        {Kind::CannotResolve, true, true},
        {Kind::CannotConnect, true, true},
        {Kind::ConnectTimeout, true, false},
        {Kind::Silent, true, false},
        {Kind::NotTaking, true, false},
        {Kind::ReplyTimeout, true, false},
        {Kind::TransferTimeout, true, false},
        {Kind::SendFailed, true, true},
        {Kind::ReceiveFailed, true, true},
        {Kind::WaitFailed, false, true},
        {Kind::StopUnavailable, false, true},
        {Kind::Stopped, false, false},
        {Kind::CannotOpenFile, true, true},
        {Kind::CannotReadFile, true, true},
        {Kind::NotARegularFile, true, false},
        {Kind::TlsHandshakeFailed, false, true},
        {Kind::TlsHandshakeCut, false, false},
        {Kind::TlsBroken, false, true},
        {Kind::TlsCut, false, false},
        {Kind::TlsNoCertificate, false, false},
        {Kind::UntrustedCertificate, false, false},
    };
    ASSERT_EQ(cases.size(), std::size_t(Kind::UntrustedCertificate)) << "a kind without a case";
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        const std::string text =
            FailureText(FtpFailure(c.kind, "host.example:21", "550 no such file", 550, 300ms, 7));
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find("host.example:21") != std::string::npos, c.subject) << text;
        EXPECT_EQ(text.find("550 no such file") != std::string::npos, c.detail) << text;
    }
    EXPECT_EQ(FailureText(FtpFailure()), "");
    // A failure that is no FTP client's keeps its own words.
    EXPECT_EQ(ErrorText(std::runtime_error("disk full")), "disk full");
}

TEST(ProblemTextTest, BoundsReadInTheirUnit) {
    EXPECT_NE(DurationText(300ms).find("300"), std::string::npos);
    EXPECT_NE(DurationText(45s).find("45"), std::string::npos);
    EXPECT_NE(DurationText(5min).find("5"), std::string::npos);
    EXPECT_NE(DurationText(300ms), DurationText(300s));
}

} // namespace
