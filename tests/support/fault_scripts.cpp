#include "fault_scripts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fake_ftp {

namespace {

bool isExchange(const Step& step) {
    return step.kind == Step::Kind::Exchange || step.kind == Step::Kind::Pasv;
}

bool isData(const Step& step) {
    return step.kind == Step::Kind::SendData || step.kind == Step::Kind::ReceiveData;
}

std::string stepName(const Step& step) {
    if (isData(step))
        return step.kind == Step::Kind::SendData ? "the data sent" : "the data received";
    if (!step.command.empty())
        return "\"" + step.command + "\"";
    return step.replies.empty() ? "an empty step" : "\"" + step.replies.front() + "\"";
}

// The server's part before step: it reads the command (if any) and says nothing.
Step commandOnly(const Step& step) {
    return Step(step.command, {});
}

} // namespace

std::vector<FaultyScript> FaultsAtEveryStep(const std::vector<Step>& script) {
    std::vector<FaultyScript> scripts;
    std::size_t last = 0; // the last step in which the client takes part
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (isExchange(script[i]) || isData(script[i]))
            last = i;
    }
    for (std::size_t i = 0; i < script.size(); ++i) {
        const Step& step = script[i];
        if (!isExchange(step) && !isData(step))
            continue;
        const std::vector<Step> before(script.begin(), script.begin() + std::ptrdiff_t(i));
        auto add = [&](Fault fault, const char* what, std::vector<Step> tail, bool completes) {
            FaultyScript faulty{fault, std::string(what) + " at " + stepName(step), before,
                                completes};
            faulty.script.insert(faulty.script.end(), tail.begin(), tail.end());
            scripts.push_back(std::move(faulty));
        };
        if (isExchange(step)) {
            add(Fault::DropAfterCommand, "drop after the command",
                {commandOnly(step), Disconnect()}, false);
            add(Fault::StallAfterCommand, "stall after the command", {commandOnly(step), Stall()},
                false);
            add(Fault::EndlessReply, "endless reply",
                {commandOnly(step), SendRaw(std::string((1 << 20) + 1, 'x')), Stall()}, false);
        } else {
            add(Fault::DropAfterCommand, "drop before", {Disconnect()}, false);
            add(Fault::StallAfterCommand, "stall before", {Stall()}, false);
        }
        add(Fault::DropAfterReply, "drop after", {step, Disconnect()}, i == last);
    }
    return scripts;
}

bool DescribesFault(Fault fault, const std::string& error) {
    auto has = [&](const char* text) { return error.find(text) != std::string::npos; };
    switch (fault) {
    case Fault::DropAfterCommand:
    case Fault::DropAfterReply:
        // Depending on the moment the client sees the end of the stream, a reset, or the data
        // port gone with the server.
        return error == "サーバーが接続を切りました。" || has("Connection reset by peer") ||
               has("Broken pipe") || has("に接続できません: ");
    case Fault::StallAfterCommand:
        return has("応答しません。") || has("データを受け取りません。");
    case Fault::EndlessReply:
        return error == "サーバーの応答が1 MiBを超えました。";
    }
    return false;
}

bool DescribesFault(Fault fault, const FtpFailure& failure) {
    using Kind = FtpFailureKind;
    switch (fault) {
    case Fault::DropAfterCommand:
    case Fault::DropAfterReply:
        return failure.kind == Kind::ServerClosed || failure.kind == Kind::ReceiveFailed ||
               failure.kind == Kind::SendFailed || failure.kind == Kind::CannotConnect;
    case Fault::StallAfterCommand:
        return failure.kind == Kind::Silent || failure.kind == Kind::NotTaking;
    case Fault::EndlessReply:
        return failure.kind == Kind::ReplyTooLong;
    }
    return false;
}

Step PasvToClosedPort() {
    // A port that was free a moment ago: bound, read, closed again.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    const unsigned port = ntohs(address.sin_port);
    return Step("PASV", {"227 Entering Passive Mode (127,0,0,1," + std::to_string(port / 256) +
                         "," + std::to_string(port % 256) + ")."});
}

} // namespace fake_ftp
