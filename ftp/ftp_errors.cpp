#include "ftp/ftp_errors.h"

std::ostream& operator<<(std::ostream& out, const FtpFailure& failure) {
    return out << FailureSummary(failure);
}

FtpFailure FailureOf(const std::exception& error) {
    if (const auto* failure = dynamic_cast<const EIdException*>(&error))
        return failure->Failure();
    return FtpFailure{FtpFailureKind::Unknown, {}, error.what()};
}

std::string FailureSummary(const FtpFailure& failure) {
    std::string text = "ftp failure " + std::to_string(int(failure.kind));
    if (failure.code != 0)
        text += " (" + std::to_string(failure.code) + ")";
    for (const std::string* part : {&failure.subject, &failure.detail}) {
        if (!part->empty())
            text += ": " + *part;
    }
    if (failure.bound.count() != 0)
        text += ": " + std::to_string(failure.bound.count()) + " ms";
    if (failure.count != 0)
        text += ": " + std::to_string(failure.count);
    return text;
}
