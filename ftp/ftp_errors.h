#pragma once

#include <stdexcept>
#include <string>

#include "core/texts.h"

// Failures of the FTP client. what() is a text fit to show the user as the reason.
class EIdException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operation that needs the control connection found it closed.
class EIdNotConnected : public EIdException {
public:
    EIdNotConnected() : EIdException(std::string(texts::kFtpNotConnected)) {}
};

// The server answered with a code the step does not accept, or ended a transfer as aborted;
// what() is the reply's text, with the password masked should the server repeat it and control
// characters escaped.
class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int code, const std::string& text) : EIdException(text), code_(code) {}
    int ReplyCode() const { return code_; }

private:
    int code_;
};

// Name resolution, connecting, sending or receiving failed, the peer closed the connection,
// or it stayed silent past the time-out. When the control connection is concerned, the client
// is closed before this is raised.
class EIdSocketError : public EIdException {
public:
    using EIdException::EIdException;
};

// A bound on waiting fired (connect, silence while a reply or data was awaited, or the overall
// bound of a reply or a transfer). The client is closed before this is raised, as for a lost
// connection.
class EIdTimeout : public EIdSocketError {
public:
    using EIdSocketError::EIdSocketError;
};

// The user stopped the conversation while it waited (StopSignal). The client is closed before
// this is raised, as for a lost connection.
class EIdStopped : public EIdSocketError {
public:
    using EIdSocketError::EIdSocketError;
};

// A listing with lines of which not one could be read: the folder's entries are unknown, which
// is an error of that folder, never an empty folder.
class EIdUnreadableListing : public EIdException {
public:
    using EIdException::EIdException;
};
