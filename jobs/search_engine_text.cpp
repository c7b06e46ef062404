#include "jobs/search_engine_text.h"

#include "core/text_util.h"
#include "core/texts.h"
#include "jobs/problem_text.h"

namespace {

// Why an HTTP exchange brought no answer.
std::string noAnswerText(const HttpAnswer& answer) {
    switch (answer.outcome) {
    case HttpOutcome::TimedOut:
        return std::string(texts::kHttpTimedOut);
    case HttpOutcome::Stopped:
        return std::string(texts::kHttpStopped);
    case HttpOutcome::TooLarge:
        return std::string(texts::kHttpTooLarge);
    case HttpOutcome::RedirectedElsewhere:
        return Filled(texts::kHttpRedirected, {{"address", answer.detail.toStdString()}});
    case HttpOutcome::Answered:
    case HttpOutcome::Failed:
        break;
    }
    return answer.detail.toStdString();
}

std::string keyCheckText(const KeyCheck& check, const std::string& url) {
    const std::string status = std::to_string(check.answer.status);
    switch (check.kind) {
    case KeyCheckKind::Verified:
        break;
    case KeyCheckKind::Missing:
        return Filled(texts::kKeyFileMissing, {{"url", url}, {"status", status}});
    case KeyCheckKind::Different:
        return Filled(texts::kKeyFileDifferent, {{"url", url}});
    case KeyCheckKind::OtherStatus:
        return Filled(texts::kKeyFileStatus, {{"url", url}, {"status", status}});
    case KeyCheckKind::NoAnswer:
        return Filled(texts::kKeyFileNoAnswer,
                      {{"url", url}, {"reason", noAnswerText(check.answer)}});
    }
    return {};
}

std::string batchText(const BatchResult& batch) {
    switch (batch.kind) {
    case BatchKind::Received:
        break;
    case BatchKind::BadRequest:
        return std::string(texts::kIndexNowBadRequest);
    case BatchKind::KeyNotVerified:
        return std::string(texts::kIndexNowKeyNotVerified);
    case BatchKind::NotOfThisHost:
        return std::string(texts::kIndexNowNotOfThisHost);
    case BatchKind::TooManyRequests:
        return Filled(texts::kIndexNowTooMany, {{"attempts", std::to_string(batch.attempts)}});
    case BatchKind::OtherStatus:
        return Filled(texts::kIndexNowStatus, {{"status", std::to_string(batch.answer.status)}});
    case BatchKind::NoAnswer:
        return Filled(texts::kIndexNowNoAnswer, {{"reason", noAnswerText(batch.answer)}});
    }
    return {};
}

} // namespace

std::string RobotsText(const RobotsResult& result) {
    const std::initializer_list<Placeholder> line = {{"line", result.line}};
    switch (result.kind) {
    case RobotsKind::HasLine:
        return Filled(texts::kRobotsHasLine, line);
    case RobotsKind::LineMissing:
        return Filled(texts::kRobotsLineMissing, line);
    case RobotsKind::NoFile:
        return Filled(texts::kRobotsNoFile, line);
    case RobotsKind::TooLarge:
        return Filled(texts::kRobotsTooLarge, line);
    case RobotsKind::Added:
        return Filled(texts::kRobotsAdded, line);
    case RobotsKind::Failed:
        break;
    }
    return Filled(texts::kRobotsFailed, {{"reason", ServerFailureText(result.failure)}});
}

std::string NotifyText(const NotifyResult& result) {
    const std::string changed = std::to_string(result.changed);
    const std::string received = std::to_string(result.received);
    switch (result.kind) {
    case NotifyKind::Off:
        return std::string(texts::kIndexNowOff);
    case NotifyKind::NoSitemap:
        return std::string(texts::kIndexNowNoSitemap);
    case NotifyKind::MemoryOff:
        return Filled(texts::kIndexNowMemoryOff, {{"received", received}});
    case NotifyKind::KeyUploadFailed:
        return Filled(texts::kKeyFileUploadFailed, {{"reason", ServerFailureText(result.failure)}});
    case NotifyKind::KeyNotServed:
        return keyCheckText(result.keyCheck, result.keyLocation);
    case NotifyKind::SetUp:
        return std::string(texts::kIndexNowSetUp);
    case NotifyKind::NothingChanged:
        return std::string(texts::kIndexNowNothingChanged);
    case NotifyKind::Sent:
        return Filled(
            texts::kIndexNowSent,
            {{"count", changed}, {"status", std::to_string(result.batches.back().answer.status)}});
    case NotifyKind::Refused:
        break;
    }
    const std::string sent =
        Filled(texts::kIndexNowPartly, {{"received", received}, {"count", changed}});
    if (result.batches.empty())
        return texts::JoinSentences({std::string(texts::kHttpStopped), sent});
    return texts::JoinSentences({batchText(result.batches.back()), sent});
}
