#pragma once

#include <functional>
#include <string>
#include <vector>

#include "jobs/retrieval.h"
#include "support/fake_ftp_server.h"

// Pieces for tests of the walk over the scripted server: listing lines, the rows they give and
// an observer that records what a run shows.

namespace walk_script {

using Lines = std::vector<std::string>;

// Unix listing lines of a folder, a file (modified at time) and a link.
std::string dir(const std::string& name);
std::string file(const std::string& name, const std::string& time = "Dec  1 10:20");
std::string linkLine(const std::string& name, const std::string& target);

// The server's side of a walk after the login, built folder by folder.
class Script {
public:
    Script& cwd(const std::string& path, const std::string& reply = "250 OK");
    // PASV, LIST and the listing of lines, each ended by CR LF.
    Script& list(const Lines& lines);
    // PASV, LIST and payload as the listing, bytes as they stand.
    Script& listBytes(std::string payload);
    Script& visit(const std::string& path, const Lines& lines) { return cwd(path).list(lines); }
    Script& refuse(const std::string& path);
    Script& raw(fake_ftp::Step step);
    // The login, the steps, QUIT (not waited for) and the client's close.
    std::vector<fake_ftp::Step> quit();

    std::vector<fake_ftp::Step> steps;
};

// Records what a run reports, in order: "start", "at <place>", "problem <its sentence>" (the
// sentence also in messages), and at the end "end finished|failed|stopped" and "fill <rows>".
class RecordingObserver final : public RetrievalObserver {
public:
    void Started() override;
    void WorkingOn(const std::string& place) override;
    void ProblemMet(const WalkProblem& problem) override;
    void Finished(const RetrievalSummary& summary, std::vector<std::string> filled) override;
    bool StopRequested() override { return stop && stop(); }
    void FolderEntered(const std::string& path) override { entered.push_back(path); }
    void RowFound(const std::string& found) override { foundOneByOne.push_back(found); }
    void WalkProgress(std::size_t done, std::size_t known, std::size_t sessions) override {
        progress.push_back({done, known, sessions});
    }

    Lines events;
    Lines messages;
    std::vector<WalkProblemKind> problems;
    Lines rows;
    Lines entered;
    Lines foundOneByOne;
    struct Progress {
        std::size_t done, known, sessions;
    };
    std::vector<Progress> progress;
    std::function<bool()> stop;
};

} // namespace walk_script
