#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scripted FTP server on 127.0.0.1 for exact conversations and faults a real server will not
// produce. The script is a table of steps run in order; the common step is an exchange
// {"command the client must send", {"reply line", ...}}. Everything received is recorded.
//
//     FakeFtpServer server({
//         {"", {"220-Welcome", "220 Ready"}},     // empty command: sent without waiting
//         {"USER anna", {"331 Password please"}},
//         {"PASS secret", {"230 Logged in"}},
//         fake_ftp::Pasv(),                        // PASV answered with a fresh data port
//         {"LIST", {"150 Here it comes"}},
//         fake_ftp::SendData("-rw-r--r-- 1 a b 5 Dec 6 10:20 x.html\r\n"),
//         {"", {"226 Done"}},
//     });

namespace fake_ftp {

struct Step {
    enum class Kind {
        Exchange, // read command (unless empty) and compare it, then send replies
        Pasv,     // read "PASV" (or "EPSV"), open a data listener, answer 227 (229) with its port
        SendData, // accept the data connection, send payload, close it unless keepOpen
        ReceiveData, // accept the data connection, read it to its end, keep the bytes
        Disconnect,  // close the control connection, any data connection and data listener
        ExpectClose, // wait until the client closes the control connection
        Stall,       // answer nothing more, keep every connection open until destruction
        SendRaw,     // send payload on the control connection as it stands, no line end added
    };

    // An exchange: the line the client must send (none if empty) and the lines sent back.
    Step(std::string command, std::vector<std::string> replies)
        : command(std::move(command)), replies(std::move(replies)) {}
    explicit Step(Kind kind) : kind(kind) {}

    Kind kind = Kind::Exchange;
    std::string command;
    std::vector<std::string> replies;
    std::string payload;                      // SendData, SendRaw
    bool keepOpen = false;                    // SendData
    std::size_t repeat = 1;                   // SendData: the payload sent this many times
    std::string advertisedHost = "127.0.0.1"; // Pasv: the host named in the reply
    bool brackets = true;                     // Pasv: "(h1,h2,h3,h4,p1,p2)" or bare after a blank
    // SendRaw, SendData, ReceiveData: with a piece size, the bytes move piece by piece, each
    // after pause: a slow or trickling server.
    std::size_t piece = 0;
    std::chrono::milliseconds pause{0};
};

// "PASV" answered with a new data listener on 127.0.0.1. The reply names advertisedHost, with
// or without brackets around the address; the listener is on 127.0.0.1 in any case.
Step Pasv(std::string advertisedHost = "127.0.0.1", bool brackets = true);
// "EPSV" answered 229 with the port of a new data listener on 127.0.0.1.
Step Epsv();
Step SendData(std::string payload);
// Sends payload and leaves the data connection open (a later Disconnect closes it).
Step SendDataKeepOpen(std::string payload);
// Sends payload times times over, for listings too large to hold in a script.
Step SendDataRepeated(std::string payload, std::size_t times);
Step ReceiveData();
// After a Disconnect or an ExpectClose, the next step waits for a new control connection.
Step Disconnect();
Step ExpectClose();
Step Stall();
Step SendRaw(std::string bytes);
// step (SendRaw, SendData or ReceiveData) moving piece bytes at a time, each after pause.
Step Trickled(Step step, std::size_t piece, std::chrono::milliseconds pause);

// The usual login of user "anna" with password "secret", answered as a server without
// features (FEAT refused) answers it, followed by the rest of the script.
std::vector<Step> WithLogin(std::vector<Step> rest);
// The commands of that login followed by more.
std::vector<std::string> AfterLogin(const std::vector<std::string>& more);
// That login, then an upload of sitemap.xml into siteRoot (CWD, none for an empty siteRoot;
// a RETR of the published one answered 550; PASV, STOR of the temporary name answered 150,
// the data received, 226; RNFR, RNTO) and the client's close.
std::vector<Step> WithUpload(const std::string& siteRoot = "/public_html");

} // namespace fake_ftp

class FakeFtpServer final {
public:
    explicit FakeFtpServer(std::vector<fake_ftp::Step> script);
    ~FakeFtpServer();
    FakeFtpServer(const FakeFtpServer&) = delete;
    FakeFtpServer& operator=(const FakeFtpServer&) = delete;

    unsigned short Port() const { return port_; }
    // "127.0.0.1:port", as the client takes it.
    std::string Host() const;

    // Waits until the script has run to its end and the client has closed the connection
    // (or a Stall was reached); false when that has not happened within timeout.
    bool WaitUntilFinished(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Every command line received, without its CR LF, in order, scripted or not.
    std::vector<std::string> Commands() const;
    // The bytes of each ReceiveData step.
    std::vector<std::string> Uploads() const;
    // Departures from the script: a different command, an unscripted one, a command not
    // ended by CR LF, a data connection that never came. Empty for a conversation as scripted.
    std::vector<std::string> Problems() const;
    // Control connections accepted so far.
    std::size_t Connections() const;

private:
    void run();
    bool runStep(const fake_ftp::Step& step);
    bool ensureControl();
    bool readCommand(std::string& line);
    bool sendLines(const std::vector<std::string>& lines);
    int acceptData();
    bool waitReadable(int fd, int timeoutMs);
    // Sends bytes as step says: at once, or piece by piece after its pause.
    bool sendBytes(int fd, const std::string& bytes, const fake_ftp::Step& step);
    void closeData();
    void closeControl();
    void problem(const std::string& text);
    void finish();

    std::vector<fake_ftp::Step> script_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    bool stopped_ = false; // the destructor asked the thread to end
    unsigned short port_ = 0;
    int control_ = -1;
    int dataListener_ = -1;
    int data_ = -1;
    std::string input_;

    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    std::vector<std::string> commands_;
    std::vector<std::string> uploads_;
    std::vector<std::string> problems_;
    std::size_t connections_ = 0;

    std::thread thread_;
};
