#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/output.h"
#include "jobs/problem_text.h"
#include "jobs/retrieval.h"

// Columns text (UTF-8) takes on a terminal, as wcwidth counts them: East Asian wide characters
// take two, combining marks none, whatever the user's locale.
std::size_t DisplayWidth(std::string_view text);

// Fills io.progress, io.escapes and io.columns for the terminal on fd: a progress line only
// on a terminal, escape sequences only where TERM names a terminal that takes them.
void DescribeTerminal(CommandLineIo& io, int fd);

// The retrieval as the command line shows it: messages on stderr, on a terminal a progress
// line that is rewritten in place, the rows kept for the writer.
class CommandLineObserver final : public RetrievalObserver {
public:
    explicit CommandLineObserver(const Output& output) : output_(output) {}

    void ProblemMet(const WalkProblem& problem) override {
        clearProgress();
        output_.Message(WalkProblemText(problem));
    }
    void Finished(const RetrievalSummary&, std::vector<std::string> rows) override {
        clearProgress();
        rows_ = std::move(rows);
    }
    bool StopRequested() override {
        return output_.io.stop != nullptr ? output_.io.stop->load() : InterruptSignal() != 0;
    }
    void FolderEntered(const std::string& path) override {
        ++folders_;
        current_ = path;
        drawProgress();
    }
    void RowFound(const std::string&) override {
        ++files_;
        drawProgress();
    }
    void WalkProgress(std::size_t done, std::size_t known, std::size_t sessions) override {
        done_ = done;
        known_ = known;
        sessions_ = sessions;
        drawProgress();
    }

    std::vector<std::string> TakeRows() { return std::move(rows_); }

private:
    void drawProgress();
    void clearProgress();
    // What blanks the rest of a line drawn up to column width.
    std::string eraseRest(std::size_t width) const;

    const Output& output_;
    std::vector<std::string> rows_;
    std::size_t folders_ = 0;
    std::size_t files_ = 0;
    // Of a walk over several sessions: folders listed, known, and the sessions listing them.
    std::size_t done_ = 0;
    std::size_t known_ = 0;
    std::size_t sessions_ = 0;
    std::string current_;
    bool shown_ = false;
    std::size_t shownWidth_ = 0; // columns of the line on screen
    std::chrono::steady_clock::time_point lastDrawn_;
};
