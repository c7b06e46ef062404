#include "support/site_faults.h"

using fake_ftp::Step;
using walk_script::dir;
using walk_script::file;
using walk_script::Lines;
using walk_script::Script;

namespace site_faults {

const std::string kWeb = "https://www.example.com";
const std::string kCutShort = "リストの取得が途中で終了しました。";
const std::string kConnectFailed = "接続失敗";
const std::string kOldSitemap = "<old/>";

namespace {

const Lines kRoot = {file("index.html"), dir("sub"), file("z.html")};
const Lines kSub = {file("b.html"), file("notes.txt"), file("c.php")};

} // namespace

std::vector<Step> siteScript() {
    return Script().visit("/r", kRoot).visit("/r/sub", kSub).visit("/r", kRoot).quit();
}

const std::vector<Lines> kRowsAfterListings = {
    {},
    {Row(kWeb + "/", "index.html")},
    {Row(kWeb + "/", "index.html"), Row(kWeb + "/sub/", "b.html"), Row(kWeb + "/sub/", "c.php")},
    {Row(kWeb + "/", "index.html"), Row(kWeb + "/sub/", "b.html"), Row(kWeb + "/sub/", "c.php"),
     Row(kWeb + "/", "z.html")},
};

namespace {

bool isEndOfListing(const Step& step) {
    return step.kind == Step::Kind::Exchange && step.command.empty() && !step.replies.empty() &&
           step.replies.front().rfind("226 ", 0) == 0;
}

} // namespace

Reach reachOf(const std::vector<Step>& script) {
    Reach reach;
    for (const Step& step : script) {
        if (step.command == "SYST" && !step.replies.empty())
            reach.loggedIn = true;
        if (isEndOfListing(step))
            ++reach.listings;
    }
    return reach;
}

Lines commandsOf(const std::vector<Step>& script) {
    Lines commands;
    for (const Step& step : script) {
        if ((step.kind == Step::Kind::Exchange || step.kind == Step::Kind::Pasv) &&
            !step.command.empty())
            commands.push_back(step.command);
    }
    return commands;
}

std::vector<FaultCase> faultsAtEveryPoint(const std::vector<Step>& script) {
    std::vector<FaultCase> cases;
    for (fake_ftp::FaultyScript& faulty : fake_ftp::FaultsAtEveryStep(script)) {
        const fake_ftp::Fault fault = faulty.fault;
        cases.push_back(
            {faulty.description, std::move(faulty.script),
             [fault](const std::string& error) { return fake_ftp::DescribesFault(fault, error); }});
    }
    for (std::size_t i = 0; i < script.size(); ++i) {
        const std::vector<Step> before(script.begin(), script.begin() + std::ptrdiff_t(i));
        const Step& step = script[i];
        if (step.kind == Step::Kind::SendData) {
            const std::string half = step.payload.substr(0, step.payload.size() / 2);
            std::vector<Step> dropped = before;
            dropped.push_back(fake_ftp::SendDataKeepOpen(half));
            dropped.push_back(fake_ftp::Disconnect());
            cases.push_back({"drop in the middle of listing data at step " + std::to_string(i),
                             dropped, [](const std::string& error) {
                                 return fake_ftp::DescribesFault(fake_ftp::Fault::DropAfterCommand,
                                                                 error);
                             }});
            std::vector<Step> stalled = before;
            stalled.push_back(fake_ftp::SendDataKeepOpen(half));
            stalled.push_back(fake_ftp::Stall());
            cases.push_back({"stall in the middle of listing data at step " + std::to_string(i),
                             stalled, [](const std::string& error) {
                                 return fake_ftp::DescribesFault(fake_ftp::Fault::StallAfterCommand,
                                                                 error);
                             }});
        }
        if (step.kind == Step::Kind::Pasv) {
            // The client never sends LIST, so the conversation stays in step and ends with QUIT.
            std::vector<Step> dead = before;
            dead.push_back(fake_ftp::PasvToClosedPort());
            dead.push_back({"QUIT", {"221 Goodbye."}});
            dead.push_back(fake_ftp::ExpectClose());
            cases.push_back({"PASV port where nothing listens at step " + std::to_string(i), dead,
                             [](const std::string& error) {
                                 return error.find("127.0.0.1:") != std::string::npos &&
                                        error.find("に接続できません") != std::string::npos &&
                                        error.find("Connection refused") != std::string::npos;
                             }});
        }
    }
    return cases;
}

} // namespace site_faults
