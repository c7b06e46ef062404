#include "cli/output.h"

#include <ostream>
#include <vector>

#include <QJsonDocument>

#include "core/text_util.h"
#include "core/texts.h"

namespace {

// text escaped, its line breaks (CR LF, CR or LF) written as lineBreak.
std::string asLines(std::string_view text, std::string_view lineBreak) {
    std::string joined;
    const std::vector<std::string> lines = SplitLines(EscapeControls(text));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += lineBreak;
        joined += lines[i];
    }
    return joined;
}

} // namespace

void Output::UseReport(Report report) {
    report_ = report;
    io.progress = io.progress && report == Report::Text;
}

void Output::Line(std::string_view text) const {
    if (report_ == Report::Text)
        io.out << EscapeControls(text) << '\n';
}

void Output::Summary(std::string_view text) const {
    if (report_ != Report::Json)
        io.out << EscapeControls(text) << '\n';
}

void Output::Message(std::string_view text) const {
    if (report_ == Report::Text)
        io.err << asLines(text, "\n") << '\n';
    else if (report_ == Report::Json)
        problem("message", text);
}

void Output::Warning(std::string_view text) const {
    if (report_ == Report::Json)
        return problem("warning", text);
    io.err << "sitewright " << command_ << ": " << texts::kWarning
           << texts::JoinSentences(SplitLines(EscapeControls(text))) << '\n';
}

int Output::Fail(std::string_view reason) const {
    if (report_ == Report::Json)
        problem("error", reason);
    io.err << "sitewright " << command_ << ": "
           << texts::JoinSentences(SplitLines(EscapeControls(reason))) << '\n';
    io.err.flush();
    return kExitFailure;
}

int Output::Finish(int status) const {
    if (report_ != Report::Json)
        return status;
    QJsonObject object = json_;
    object["command"] = QString::fromStdString(command_);
    object["status"] = status;
    object["problems"] = problems_;
    io.out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
    return status;
}

void Output::problem(const char* level, std::string_view text) const {
    problems_.append(QJsonObject{
        {"level", level},
        {"text", QString::fromStdString(asLines(text, "\n"))},
    });
}
