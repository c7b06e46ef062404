#include "notify/key_check.h"

#include "notify/indexnow_key.h"

namespace {

// Room for a key of the longest kind and a line end: a longer body is not the key anyway.
constexpr qint64 kMaxKeyFileSize = 256;

} // namespace

KeyCheck CheckKeyFile(const QUrl& keyLocation, const QString& key, HttpLimits limits,
                      const std::atomic<bool>* stop) {
    limits.maxBody = std::min(limits.maxBody, kMaxKeyFileSize);
    KeyCheck check{KeyCheckKind::NoAnswer, HttpGet(keyLocation, limits, stop)};
    if (check.answer.outcome == HttpOutcome::TooLarge)
        check.kind = KeyCheckKind::Different;
    else if (check.answer.outcome != HttpOutcome::Answered)
        check.kind = KeyCheckKind::NoAnswer;
    else if (check.answer.status == 404 || check.answer.status == 410)
        check.kind = KeyCheckKind::Missing;
    else if (check.answer.status != 200)
        check.kind = KeyCheckKind::OtherStatus;
    else
        check.kind = check.answer.body == KeyFileContent(key) ? KeyCheckKind::Verified
                                                              : KeyCheckKind::Different;
    return check;
}
