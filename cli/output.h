#pragma once

#include <string>
#include <string_view>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/command_line.h"

// How a command reports: its lines of text, its summary alone (--quiet), or one JSON object on
// stdout (--json) whose keys the man page lists.
enum class Report { Text, Quiet, Json };

// What a command prints. Whatever it prints passes EscapeControls, so that no text from a
// server or a settings file can drive the terminal; the ftp layer has masked the password in
// the server's replies already.
class Output final {
public:
    Output(CommandLineIo& io, std::string command) : io(io), command_(std::move(command)) {}

    // From now on the command reports as report; only text has a progress line.
    void UseReport(Report report);

    // A line of the command's result on stdout.
    void Line(std::string_view text) const;
    // The line that sums the command up: what --quiet leaves.
    void Summary(std::string_view text) const;
    // What the window shows in a message box, line by line on stderr.
    void Message(std::string_view text) const;
    void Warning(std::string_view text) const;
    // The one line that says why the command failed; returns the failure status.
    int Fail(std::string_view reason) const;

    // The JSON object's fields of the command's own (counts, files, upload, settings).
    QJsonObject& Json() const { return json_; }
    // The command's end with status: with --json the object goes out, status and problems
    // included. Returns status.
    int Finish(int status) const;

    CommandLineIo& io;

private:
    // A message, warning or failure, as the JSON object lists it.
    void problem(const char* level, std::string_view text) const;

    std::string command_;
    Report report_ = Report::Text;
    mutable QJsonObject json_;
    mutable QJsonArray problems_;
};
