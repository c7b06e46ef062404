#pragma once

#include <string>
#include <vector>

#include "ftp/ftp_errors.h"
#include "support/fake_ftp_server.h"

// Scripts for the fake server that fail at one point of a conversation, for tests that run a
// client through every point in turn.

namespace fake_ftp {

enum class Fault {
    DropAfterCommand,  // the command arrives, then the server closes without a reply
    DropAfterReply,    // the server answers, then closes
    StallAfterCommand, // the command arrives, then nothing more comes
    EndlessReply,      // the command arrives, then more than 1 MiB without a line end
};

struct FaultyScript {
    Fault fault;
    std::string description; // the fault and the step, for failure messages
    std::vector<Step> script;
    bool completes; // the fault comes after the conversation has ended: the client succeeds
};

// script with each fault applied at each of its steps in turn. Data steps get the drops and
// the stall (before the data moves, and a drop after it); an ExpectClose step gets none.
std::vector<FaultyScript> FaultsAtEveryStep(const std::vector<Step>& script);

// True when error is a text the client gives for fault: a lost connection, a time-out, an
// over-long reply.
bool DescribesFault(Fault fault, const std::string& error);
// The same of a failure's kind, for the FTP client's own failures.
bool DescribesFault(Fault fault, const FtpFailure& failure);

// "PASV" answered with the address of a loopback port where nothing listens.
Step PasvToClosedPort();

} // namespace fake_ftp
