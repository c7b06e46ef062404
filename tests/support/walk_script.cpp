#include "walk_script.h"

#include <utility>

#include "jobs/problem_text.h"

namespace walk_script {

std::string dir(const std::string& name) {
    return "drwxr-xr-x   2 user group 4096 Dec  1 10:20 " + name;
}

std::string file(const std::string& name, const std::string& time) {
    return "-rw-r--r--   1 user group 1234 " + time + " " + name;
}

std::string linkLine(const std::string& name, const std::string& target) {
    return "lrwxrwxrwx   1 user group   11 Dec  1 10:20 " + name + " -> " + target;
}

Script& Script::cwd(const std::string& path, const std::string& reply) {
    steps.push_back({"CWD " + path, {reply}});
    return *this;
}

Script& Script::list(const Lines& lines) {
    std::string payload;
    for (const std::string& line : lines)
        payload += line + "\r\n";
    return listBytes(std::move(payload));
}

Script& Script::listBytes(std::string payload) {
    steps.push_back(fake_ftp::Pasv());
    steps.push_back({"LIST", {"150 Here comes the directory listing."}});
    steps.push_back(fake_ftp::SendData(std::move(payload)));
    steps.push_back({"", {"226 Directory send OK."}});
    return *this;
}

Script& Script::refuse(const std::string& path) {
    return cwd(path, "550 " + path + ": No such file or directory.");
}

Script& Script::raw(fake_ftp::Step step) {
    steps.push_back(std::move(step));
    return *this;
}

std::vector<fake_ftp::Step> Script::quit() {
    steps.push_back({"QUIT", {"221 Goodbye."}});
    steps.push_back(fake_ftp::ExpectClose());
    return fake_ftp::WithLogin(steps);
}

void RecordingObserver::Started() {
    events.push_back("start");
}

void RecordingObserver::WorkingOn(const std::string& place) {
    events.push_back("at " + place);
}

void RecordingObserver::ProblemMet(const WalkProblem& problem) {
    const std::string text = WalkProblemText(problem);
    events.push_back("problem " + text);
    messages.push_back(text);
    problems.push_back(problem.kind);
}

void RecordingObserver::Finished(const RetrievalSummary& summary, std::vector<std::string> filled) {
    events.push_back(summary.stopped    ? "end stopped"
                     : summary.Failed() ? "end failed"
                                        : "end finished");
    events.push_back("fill " + std::to_string(filled.size()));
    rows = std::move(filled);
}

} // namespace walk_script
