#include "jobs/parallel_walk.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "core/texts.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_errors.h"
#include "jobs/problem_text.h"

namespace {

class ParallelWalk final : public WalkRules {
public:
    ParallelWalk(SiteConnection& first, const SiteSettings& settings,
                 const RetrievalLimits& limits, RetrievalObserver& observer,
                 RetrievalSummary& summary, std::size_t sessions)
        : WalkRules(settings, limits, observer, summary), first_(first), sessions_(sessions) {}

    void Run() override {
        // The other sessions log in while the first reads robots.txt.
        Workers workers(*this);
        const Folder root = rootFolder(first_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queueLocked(root);
        }
        workers.ServeFirst();
        walkListed(root);
        workers.Completed();
    }

private:
    using Time = std::chrono::steady_clock::time_point;
    // A folder refused for a while (4xx) is tried again this many times, after this pause.
    static constexpr std::size_t kRetries = 2;
    static constexpr std::chrono::milliseconds kRetryPause{300};

    // Refused: not there or not to be entered; Denied: the user may not read it.
    enum class State { Waiting, Listing, Listed, Refused, Denied, Unreadable, Failed };

    struct Node {
        Folder folder;
        State state = State::Waiting;
        std::vector<WalkEntry> entries;
        bool mlsd = false;        // listed with MLSD
        std::string unreadable;   // why the listing could not be read
        std::exception_ptr error; // what ended the listing
        std::size_t retries = 0;
        const SiteConnection* refusedBy = nullptr; // the session refused it last: another tries first
        Time notBefore{};
    };

    // What one listing came to.
    struct Listing {
        State state = State::Listed;
        std::vector<WalkEntry> entries;
        std::string unreadable;
        std::exception_ptr error;
        bool retry = false;       // refused for a while: to be tried again
        bool sessionLost = false; // the session can list no more
    };

    // Starts the sessions' threads and, whatever ends the walk, stops and joins them.
    class Workers final {
    public:
        explicit Workers(ParallelWalk& walk) : walk_(walk) {
            for (std::size_t i = 1; i < walk_.sessions_; ++i)
                threads_.emplace_back([this] { walk_.serveOwnSession(); });
        }
        // The first session lists too, once it is free.
        void ServeFirst() {
            threads_.emplace_back([this] { walk_.serve(walk_.first_, false); });
        }
        // The walk needs no more listings: sessions finish the one they are on.
        void Completed() { completed_ = true; }
        ~Workers() {
            walk_.finish(!completed_);
            for (std::thread& thread : threads_)
                thread.join();
        }
        Workers(const Workers&) = delete;
        Workers& operator=(const Workers&) = delete;

    private:
        ParallelWalk& walk_;
        std::vector<std::thread> threads_;
        bool completed_ = false;
    };

    // Adds folder to the folders to list, ahead of those known before: the depth-first walk
    // needs the newest first. Returns its node.
    Node& queueLocked(const Folder& folder) {
        Node& node = nodes_[folder.path];
        node.folder = folder;
        queue_.push_front(&node);
        ++known_;
        changed_.notify_all();
        return node;
    }

    // Puts node back at the head of the queue, to be listed again by another session where one
    // can, after pause.
    void requeueLocked(Node& node, const SiteConnection& session,
                       std::chrono::milliseconds pause) {
        node.state = State::Waiting;
        node.refusedBy = &session;
        node.notBefore = std::chrono::steady_clock::now() + pause;
        queue_.push_front(&node);
        changed_.notify_all();
    }

    // Walks folder from its listing, depth first, as FolderWalk walks it from the server.
    void walkListed(const Folder& folder) {
        beginFolder(folder);
        Node& node = awaitListing(folder);
        if (node.state == State::Refused || node.state == State::Denied) {
            folderRefused(folder, node.state == State::Denied);
            return;
        }
        folderEntered(folder);
        folderListed(node.mlsd);
        if (node.state == State::Unreadable) {
            folderUnreadable(folder, node.unreadable);
            return;
        }
        const std::vector<WalkEntry> entries = std::move(node.entries);
        for (const WalkEntry& entry : entries) {
            CheckStop();
            if (IsIgnoredName(entry.name))
                continue;
            if (!entry.folder)
                takeFile(folder, entry);
            else if (claimSubfolder(folder, entry))
                walkListed(subfolder(folder, entry));
        }
    }

    // Waits until folder is listed, showing progress and watching for the user's stop; a
    // folder that no session took up yet goes first.
    Node& awaitListing(const Folder& folder) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto found = nodes_.find(folder.path);
        Node& node = found != nodes_.end() ? found->second : queueLocked(folder);
        for (;;) {
            if (node.state == State::Failed)
                std::rethrow_exception(node.error);
            if (node.state == State::Listed || node.state == State::Refused ||
                node.state == State::Denied || node.state == State::Unreadable)
                return node;
            if (liveSessions_ == 0 && started_ == sessions_)
                throw WalkError(std::string(texts::kFtpServerClosed));
            showProgressLocked(lock);
            if (observer_.StopRequested())
                throw WalkStopped();
            changed_.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void showProgressLocked(std::unique_lock<std::mutex>& lock) {
        const std::size_t done = done_, known = known_, live = liveSessions_;
        if (done == shownDone_ && known == shownKnown_ && live == shownLive_)
            return;
        shownDone_ = done;
        shownKnown_ = known;
        shownLive_ = live;
        lock.unlock();
        observer_.WalkProgress(done, known, live);
        lock.lock();
    }

    // Ends the walk for every session: one still logging in is not needed any more; stopped,
    // the others of its own end their waits on the server at once too, and so does the first
    // one when the user stopped the run.
    void finish(bool stopSessions) {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        for (SiteConnection* session : stopSessions ? ownSessions_ : connecting_)
            session->RaiseStop();
        if (stopSessions && observer_.StopRequested())
            first_.RaiseStop();
        changed_.notify_all();
    }

    // A session of its own, logged in as the first one: a server that will not take another
    // connection leaves the walk to the sessions it has.
    void serveOwnSession() {
        const std::unique_ptr<SiteConnection> own = first_.Another();
        SiteConnection& session = *own;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (finished_) {
                ++started_;
                return;
            }
            ownSessions_.push_back(&session);
            connecting_.push_back(&session);
        }
        bool connected = false;
        try {
            session.Connect();
            connected = true;
        } catch (const std::exception&) {
            // Not another connection: the walk goes on with the sessions it has.
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connecting_.erase(std::find(connecting_.begin(), connecting_.end(), &session));
        }
        if (connected)
            serve(session, true);
        else
            countStarted(false);
        std::lock_guard<std::mutex> lock(mutex_);
        ownSessions_.erase(std::find(ownSessions_.begin(), ownSessions_.end(), &session));
        summary_.commands += session.CommandsSent();
    }

    void countStarted(bool live) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++started_;
        liveSessions_ += live ? 1 : 0;
        changed_.notify_all();
    }

    // The sessions that may list now: while some list with MLSD, only those, so that every
    // page of a walk that has MLSD gets its exact time.
    std::size_t listingSessionsLocked() const {
        return summary_.exactTimes && mlsdSessions_ > 0 ? mlsdSessions_ : liveSessions_;
    }

    // The next folder session is to list, taken from the queue: the first one due that no
    // other session should try first. Nothing when none, due set to when the next falls due.
    Node* takeLocked(const SiteConnection& session, Time& due) {
        if (summary_.exactTimes && mlsdSessions_ > 0 && !session.ExactTimes())
            return nullptr;
        const Time now = std::chrono::steady_clock::now();
        for (auto next = queue_.begin(); next != queue_.end(); ++next) {
            Node& node = **next;
            if (node.notBefore > now) {
                due = std::min(due, node.notBefore);
                continue;
            }
            if (node.refusedBy == &session && listingSessionsLocked() > 1)
                continue;
            queue_.erase(next);
            return &node;
        }
        return nullptr;
    }

    // Lists folder with session, and the subfolders it may queue; a refusal for a while is to
    // be tried again while tries are left.
    Listing list(SiteConnection& session, const Folder& folder, bool mayRetry,
                 std::vector<Folder>& subfolders) {
        Listing listing;
        try {
            listing.entries = session.List(folder.path);
            subfolders = subfoldersToList(folder, listing.entries);
        } catch (const EIdUnreadableListing& failure) {
            listing.state = State::Unreadable;
            listing.unreadable = FailureText(failure.Failure());
        } catch (const std::exception& failure) {
            const RefusalMeaning meaning = session.MeaningOf(failure);
            listing.state = meaning == RefusalMeaning::Missing  ? State::Refused
                            : meaning == RefusalMeaning::Denied ? State::Denied
                                                                : State::Failed;
            listing.retry = mayRetry && meaning == RefusalMeaning::TryLater;
            listing.sessionLost = meaning == RefusalMeaning::Broken;
            if (listing.state == State::Failed)
                listing.error = std::current_exception();
        } catch (...) {
            listing.state = State::Failed;
            listing.error = std::current_exception();
            listing.sessionLost = true;
        }
        return listing;
    }

    // Lists folders with session until the walk ends or the session is lost.
    void serve(SiteConnection& session, bool ownSession) {
        countStarted(true);
        std::unique_lock<std::mutex> lock(mutex_);
        mlsdSessions_ += session.ExactTimes() ? 1 : 0;
        for (;;) {
            if (finished_)
                break;
            Time due = Time::max();
            Node* next = takeLocked(session, due);
            if (next == nullptr) {
                if (due == Time::max())
                    changed_.wait(lock);
                else
                    changed_.wait_until(lock, due);
                continue;
            }
            Node& node = *next;
            node.state = State::Listing;
            const Folder folder = node.folder;
            const bool mayRetry = node.retries < kRetries;
            const bool hadMlsd = session.ExactTimes();
            lock.unlock();
            std::vector<Folder> subfolders;
            Listing listing = list(session, folder, mayRetry, subfolders);
            lock.lock();
            if (hadMlsd && !session.ExactTimes()) {
                summary_.mlsdRefused = true;
                --mlsdSessions_;
                changed_.notify_all();
                // Listed with LIST while others still have MLSD: one of them lists it again.
                if (listing.state == State::Listed && mlsdSessions_ > 0) {
                    requeueLocked(node, session, std::chrono::milliseconds(0));
                    continue;
                }
            }
            if (listing.retry) {
                ++node.retries;
                requeueLocked(node, session, kRetryPause);
                continue;
            }
            node.state = listing.state;
            node.mlsd = session.ExactTimes();
            node.unreadable = std::move(listing.unreadable);
            node.error = listing.error;
            node.entries = std::move(listing.entries);
            ++done_;
            for (const Folder& subfolder : subfolders) {
                if (nodes_.size() < limits_.maxFolders && nodes_.count(subfolder.path) == 0)
                    queueLocked(subfolder);
            }
            changed_.notify_all();
            if (listing.sessionLost)
                break;
        }
        mlsdSessions_ -= session.ExactTimes() ? 1 : 0;
        --liveSessions_;
        changed_.notify_all();
        lock.unlock();
        // A stopped session cannot say goodbye; it just closes.
        if (ownSession)
            session.Quit();
    }

    // The subfolders of a listed folder that the walk may enter, newest first, as the queue
    // takes them. The rules are tried here, off the lock, and give way once the walk is over.
    std::vector<Folder> subfoldersToList(const Folder& folder,
                                         const std::vector<WalkEntry>& entries) const {
        std::vector<Folder> subfolders;
        if (folder.depth >= kMaxWalkDepth)
            return subfolders;
        const RuleCheckpoint checkpoint = [this] {
            if (finished_)
                throw WalkStopped();
        };
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            checkpoint();
            if (!entry->folder || IsIgnoredName(entry->name) || insideItself(folder, *entry))
                continue;
            Folder child = subfolder(folder, *entry);
            if (filter_.MayListFolder(child.urlPath + '/', checkpoint))
                subfolders.push_back(std::move(child));
        }
        std::reverse(subfolders.begin(), subfolders.end());
        return subfolders;
    }

    SiteConnection& first_;
    const std::size_t sessions_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::unordered_map<std::string, Node> nodes_; // by path; a node stays where it is
    std::deque<Node*> queue_;                     // to be listed, the next first
    std::vector<SiteConnection*> ownSessions_;    // the sessions besides the first
    std::vector<SiteConnection*> connecting_;     // those of them still logging in
    std::atomic<bool> finished_{false};           // set under mutex_, read off it too
    std::size_t started_ = 0;                     // sessions that have logged in or failed to
    std::size_t liveSessions_ = 0;                // sessions listing or ready to
    std::size_t mlsdSessions_ = 0;                // of those, the ones listing with MLSD
    std::size_t done_ = 0;                        // folders listed (or refused)
    std::size_t known_ = 0;                       // folders queued to be listed
    std::size_t shownDone_ = 0, shownKnown_ = 0, shownLive_ = 0;
};

} // namespace

std::unique_ptr<WalkRules> MakeParallelWalk(SiteConnection& first, const SiteSettings& settings,
                                            const RetrievalLimits& limits,
                                            RetrievalObserver& observer, RetrievalSummary& summary,
                                            std::size_t sessions) {
    return std::make_unique<ParallelWalk>(first, settings, limits, observer, summary, sessions);
}
