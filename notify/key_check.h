#pragma once

#include "notify/http_exchange.h"

#include <QString>
#include <QUrl>

#include <atomic>

// Whether the site serves the key file, read back over HTTP(S) as the engines will read it,
// before the first notification: an engine that cannot read it refuses every address.

enum class KeyCheckKind {
    Verified,
    Missing,     // 404 or 410
    Different,   // answered 200 with another body
    OtherStatus, // answered with another status: answer.status
    NoAnswer,    // answer.outcome says why (time-out, stop, size, redirect, network)
};

struct KeyCheck {
    KeyCheckKind kind = KeyCheckKind::NoAnswer;
    HttpAnswer answer;
};

// GETs keyLocation and compares its body with the key file's content, byte for byte. The
// answer may be a few bytes longer than the key at most.
KeyCheck CheckKeyFile(const QUrl& keyLocation, const QString& key, HttpLimits limits,
                      const std::atomic<bool>* stop);
