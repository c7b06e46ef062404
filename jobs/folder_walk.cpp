#include "jobs/folder_walk.h"

#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_errors.h"
#include "jobs/problem_text.h"
#include "ftp/server_name.h"
#include "sitemap/ftp_connection.h"

namespace {

class FolderWalk final : public WalkRules {
public:
    FolderWalk(FtpConnection& connection, const SiteSettings& settings,
               const RetrievalLimits& limits, RetrievalObserver& observer,
               RetrievalSummary& summary)
        : WalkRules(settings, limits, observer, summary), connection_(connection),
          ftp_(connection.Client()) {}

    void Run() override { walkFolder(rootFolder(connection_)); }

private:
    void walkFolder(const Folder& folder) {
        beginFolder(folder);
        if (!folder.path.empty()) {
            CheckStop();
            try {
                ftp_.ChangeFolder(folder.path);
            } catch (const EIdProtocolReplyError& refusal) {
                // Only "no such folder" means the folder cannot be entered; a temporary
                // refusal or a lost connection ends the walk instead.
                if (!MeansMissing(refusal))
                    throw;
                folderRefused(folder);
                return;
            }
        }
        folderEntered(folder);
        listFolder();
        folderListed(ftp_.ListsWithMlsd());

        // Every subfolder lists this folder again on the way back, and entry i is read from
        // the listing that is current then. Unchanged lines are not parsed again.
        std::uint64_t digest = ListingDigest(ftp_.ListingLines());
        std::vector<WalkEntry> entries;
        if (!readEntries(folder, entries))
            return;
        const std::size_t count = entries.size();
        for (std::size_t i = 0; i < count; ++i) {
            CheckStop();
            if (i >= entries.size())
                throw WalkError(Filled(texts::kListingShrank, {{"folder", folder.shownPath}}));
            const WalkEntry& entry = entries[i];
            if (IsIgnoredName(entry.name))
                continue;
            if (!entry.folder) {
                takeFile(folder, entry);
                continue;
            }
            if (!claimSubfolder(folder, entry))
                continue;
            walkFolder(subfolder(folder, entry));
            if (!folder.path.empty()) {
                CheckStop();
                ftp_.ChangeFolder(folder.path);
            }
            listFolder();
            const std::uint64_t newDigest = ListingDigest(ftp_.ListingLines());
            if (newDigest != digest) {
                digest = newDigest;
                if (!readEntries(folder, entries))
                    return;
            }
        }
    }

    // The entries of the listing just received; false, once the user has been told, when not
    // one of its lines could be read: the folder's entries are unknown, and the walk goes on
    // without them.
    bool readEntries(const Folder& folder, std::vector<WalkEntry>& entries) {
        try {
            entries = SiteEntries(ftp_.FolderListing());
            return true;
        } catch (const EIdUnreadableListing& error) {
            folderUnreadable(folder, FailureText(error.Failure()));
            return false;
        }
    }

    void listFolder() {
        CheckStop();
        ftp_.ListFolder();
        if (summary_.exactTimes && !ftp_.ListsWithMlsd())
            summary_.mlsdRefused = true;
    }

    FtpConnection& connection_;
    TIdFTP& ftp_;
};

} // namespace

std::unique_ptr<WalkRules> MakeFolderWalk(FtpConnection& ftp, const SiteSettings& settings,
                                          const RetrievalLimits& limits,
                                          RetrievalObserver& observer, RetrievalSummary& summary) {
    return std::make_unique<FolderWalk>(ftp, settings, limits, observer, summary);
}
