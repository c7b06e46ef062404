#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/date_time.h"

// One entry of a folder as the walk reads it; the listing's own form stays with the transport.
struct SiteEntry {
    std::string name; // the server's bytes
    DateTime modified;
    bool utc = false; // modified is UTC (MLSD, SFTP), not the server's own clock
    bool folder = false;
    std::string unique; // the server's identity of the entry (MLSD "unique"), or empty
};

// What a refusal raised by a connection means to the walk.
enum class RefusalMeaning {
    Missing,  // the folder or file is not there, or not to be entered
    Denied,   // the server says the user may not read it: left out as a missing one, and said so
    TryLater, // refused for a while
    Refused,  // refused otherwise; the session goes on
    Broken,   // not a refusal: the session can do no more
};

// One logged-in session with the site's server, by FTP or SFTP: what the walk and the upload
// ask of it. Failures are raised as the transport's own exceptions; MeaningOf sorts them.
// Paths are the server's bytes; a relative one is below the folder the session is in.
class SiteConnection {
public:
    virtual ~SiteConnection() = default;

    // Connects and logs in with the settings it was made from.
    virtual void Connect() = 0;
    // A new session with the same settings, not yet connected: another one for the walk.
    virtual std::unique_ptr<SiteConnection> Another() const = 0;

    // The folder the login leaves the session in.
    virtual std::string CurrentFolder() = 0;
    // Makes path the folder relative paths are below.
    virtual void EnterFolder(const std::string& path) = 0;
    // The entries of the folder at path.
    virtual std::vector<SiteEntry> List(const std::string& path) = 0;
    // The last List gave exact UTC times.
    virtual bool ExactTimes() const = 0;
    // The file's first maxBytes bytes; nothing when there is no such file.
    virtual std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes) = 0;
    // Stores the local file under name.
    virtual void Store(const std::string& localPath, const std::string& name) = 0;
    // Stores the local file under a temporary name and renames it over name, so the old file
    // stays whole until the new one is; false when the server would not rename over a file and
    // the file was stored over it directly.
    virtual bool Replace(const std::string& localPath, const std::string& name) = 0;
    virtual void Remove(const std::string& name) = 0;

    virtual RefusalMeaning MeaningOf(const std::exception& error) const = 0;
    // Any thread: ends the wait the session is in, and its later ones.
    virtual void RaiseStop() = 0;
    // Says goodbye where the session still can, and closes it.
    virtual void Quit() = 0;
    virtual std::size_t CommandsSent() const = 0;
};

// Passes a stop raised on a descriptor (the FTP module's: the window's stop button, Ctrl-C) on
// to a connection of another transport for as long as it lives, so that one stop ends a run
// whatever its transport.
class StopRelay final {
public:
    StopRelay(int stopDescriptor, SiteConnection& connection);
    ~StopRelay();
    StopRelay(const StopRelay&) = delete;
    StopRelay& operator=(const StopRelay&) = delete;

private:
    int done_; // eventfd, readable once the relay ends
    std::thread thread_;
};
