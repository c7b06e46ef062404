#include "jobs/walk_rules.h"

#include <algorithm>
#include <optional>

#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_errors.h"
#include "jobs/problem_text.h"
#include "ftp/server_name.h"

namespace {

// The page check reads the ErrorDocument lines of the site root's .htaccess; no more than this.
constexpr std::size_t kMaxHtaccessBytes = 256 * 1024;

} // namespace

bool MeansMissing(const EIdProtocolReplyError& refusal) {
    return refusal.ReplyCode() == 550;
}

std::uint64_t ListingDigest(const std::vector<std::string>& lines) {
    std::uint64_t digest = 0xcbf29ce484222325u;
    auto add = [&digest](unsigned char byte) {
        digest ^= byte;
        digest *= 0x100000001b3u;
    };
    for (const std::string& line : lines) {
        for (const char c : line)
            add(static_cast<unsigned char>(c));
        add('\n');
    }
    return digest;
}

std::string_view RowSettingsProblem(const SiteSettings& settings) {
    if (const SiteUrlProblem problem = SiteUrlProblemOf(settings.web_url);
        problem != SiteUrlProblem::None)
        return SiteUrlProblemText(problem);
    if (HasSeparatorInField(
            {"", "", settings.TimeZoneOffset(), settings.changefreq, settings.priority}))
        return texts::kSeparatorRefused;
    return {};
}

WalkFilter::WalkFilter(const SiteSettings& settings, RetrievalSummary& summary,
                       RuleCheckpoint checkpoint)
    : exclusions_(settings.exclude), summary_(summary), checkpoint_(std::move(checkpoint)) {}

bool WalkFilter::KeepsFolder(const std::string& path) {
    return keeps(exclusions_.Excludes(path, checkpoint_), robots_.MayAllowBelow(path, checkpoint_));
}

bool WalkFilter::MayListFolder(const std::string& path, const RuleCheckpoint& checkpoint) const {
    return !exclusions_.Excludes(path, checkpoint) && robots_.MayAllowBelow(path, checkpoint);
}

bool WalkFilter::KeepsFile(const std::string& path) {
    return keeps(exclusions_.Excludes(path, checkpoint_), robots_.Allows(path, checkpoint_));
}

bool WalkFilter::keeps(bool excluded, bool robotsAllow) {
    if (excluded)
        ++summary_.excluded;
    else if (!robotsAllow)
        ++summary_.robotsExcluded;
    return !excluded && robotsAllow;
}

WalkRules::WalkRules(const SiteSettings& settings, const RetrievalLimits& limits,
                     RetrievalObserver& observer, RetrievalSummary& summary)
    : settings_(settings), limits_(limits), observer_(observer), summary_(summary),
      filter_(settings, summary, [this] { CheckStop(); }), extensions_(settings.ext_list),
      timeZoneOffset_(settings.TimeZoneOffset()),
      offsetMinutes_(OffsetMinutes(timeZoneOffset_).value_or(0)),
      siteUrl_(WithoutTrailingSlashes(settings.web_url)) {}

void WalkRules::CheckStop() const {
    if (observer_.StopRequested())
        throw WalkStopped();
}

void WalkRules::ReportAtEnd() {
    if (summary_.foldersTooDeep > 0)
        observer_.ProblemMet(
            {WalkProblemKind::FoldersTooDeep, {}, firstTooDeep_, summary_.foldersTooDeep, 0});
    if (summary_.foldersRepeated > 0)
        observer_.ProblemMet(
            {WalkProblemKind::FoldersRepeated, {}, firstRepeated_, summary_.foldersRepeated, 0});
    if (summary_.mlsdRefused)
        observer_.ProblemMet({WalkProblemKind::MlsdRefused,
                              {},
                              {},
                              summary_.foldersListedExact,
                              summary_.foldersListedList});
}

Folder WalkRules::rootFolder(SiteConnection& connection) {
    Folder root;
    root.path = settings_.site_root;
    root.shownPath = settings_.site_root;
    if (root.path.empty()) {
        CheckStop();
        root.path = connection.CurrentFolder();
        if (root.path.empty())
            throw WalkError(std::string(texts::kNoCurrentFolder));
        root.shownPath = ShownName(NameFromServer(root.path));
    }
    if (BreaksCommandLine(root.path))
        throw WalkError(std::string(texts::kRootBreaksCommand));
    root.url = siteUrl_ + '/';
    if (settings_.robots)
        readRobots(connection, root.path);
    if (settings_.check_pages)
        readHtaccess(connection, root.path);
    walked_.insert(root.path);
    return root;
}

void WalkRules::readRobots(SiteConnection& connection, const std::string& rootPath) {
    CheckStop();
    const std::string file = JoinPath(rootPath, "robots.txt");
    std::optional<std::string> text;
    try {
        text = connection.ReadFile(file, kMaxRobotsBytes);
    } catch (const std::exception& refusal) {
        if (connection.MeaningOf(refusal) == RefusalMeaning::Broken)
            throw;
        // Without its rules the walk would publish what the site keeps from search engines.
        throw WalkError(Filled(texts::kRobotsUnreadable,
                               {{"file", ShownName(NameFromServer(file))},
                                {"reply", ErrorText(refusal)}}));
    }
    if (!text)
        return;
    // A line cut at the bound could read as a shorter rule.
    if (text->size() == kMaxRobotsBytes)
        text->erase(text->find_last_of("\r\n") + 1);
    filter_.SetRobots(*text);
    summary_.robotsTxt = std::move(*text);
}

void WalkRules::readHtaccess(SiteConnection& connection, const std::string& rootPath) {
    CheckStop();
    try {
        // A file that is not there or not readable names no error documents; the check then
        // judges those pages by their answers.
        if (std::optional<std::string> text =
                connection.ReadFile(JoinPath(rootPath, ".htaccess"), kMaxHtaccessBytes))
            summary_.htaccess = std::move(*text);
    } catch (const std::exception& refusal) {
        if (connection.MeaningOf(refusal) == RefusalMeaning::Broken)
            throw;
    }
}

void WalkRules::beginFolder(const Folder& folder) {
    observer_.WorkingOn(folder.shownPath);
    if (summary_.folders + summary_.foldersRefused >= limits_.maxFolders)
        throw WalkError(
            Filled(texts::kTooManyFolders, {{"limit", std::to_string(limits_.maxFolders)}}));
}

void WalkRules::folderRefused(const Folder& folder, bool denied) {
    ++summary_.foldersRefused;
    observer_.ProblemMet({denied ? WalkProblemKind::FolderDenied : WalkProblemKind::FolderMissing,
                          {}, folder.shownPath, 0, 0});
}

void WalkRules::folderListed(bool exactTimes) {
    ++(exactTimes ? summary_.foldersListedExact : summary_.foldersListedList);
}

bool WalkRules::insideItself(const Folder& folder, const WalkEntry& entry) {
    return !entry.unique.empty() && std::find(folder.uniques.begin(), folder.uniques.end(),
                                              entry.unique) != folder.uniques.end();
}

void WalkRules::folderEntered(const Folder& folder) {
    ++summary_.folders;
    observer_.FolderEntered(folder.shownPath);
}

void WalkRules::folderUnreadable(const Folder& folder, const std::string& reason) {
    ++summary_.foldersUnreadable;
    observer_.ProblemMet({WalkProblemKind::ListingUnreadable, reason, folder.shownPath, 0, 0});
}

Folder WalkRules::subfolder(const Folder& folder, const WalkEntry& entry) const {
    Folder child;
    child.path = JoinPath(folder.path, entry.name);
    const std::string textName = NameFromServer(entry.name);
    child.shownPath = JoinPath(folder.shownPath, ShownName(textName));
    child.urlPath = subfolderUrlPath(folder, entry.name);
    child.url = siteUrl_ + child.urlPath + '/';
    child.depth = folder.depth + 1;
    child.uniques = folder.uniques;
    if (!entry.unique.empty())
        child.uniques.push_back(entry.unique);
    return child;
}

std::string WalkRules::subfolderUrlPath(const Folder& folder, const std::string& name) {
    return folder.urlPath + '/' + RowName(NameFromServer(name));
}

bool WalkRules::claimSubfolder(const Folder& folder, const WalkEntry& entry) {
    const std::string path = JoinPath(folder.path, entry.name);
    if (!walked_.insert(path).second)
        return false;
    if (!filter_.KeepsFolder(subfolderUrlPath(folder, entry.name) + '/'))
        return false;
    // A server that shows a link as what it leads to still names the folder's identity.
    if (insideItself(folder, entry)) {
        if (summary_.foldersRepeated++ == 0)
            firstRepeated_ = JoinPath(folder.shownPath, ShownName(NameFromServer(entry.name)));
        return false;
    }
    if (folder.depth >= kMaxWalkDepth) {
        if (summary_.foldersTooDeep++ == 0)
            firstTooDeep_ = JoinPath(folder.shownPath, ShownName(NameFromServer(entry.name)));
        return false;
    }
    return true;
}

void WalkRules::takeFile(const Folder& folder, const WalkEntry& entry) {
    const std::string name = NameFromServer(entry.name);
    if (!extensions_.Contains(ExtensionOf(name)) ||
        !filter_.KeepsFile(folder.urlPath + '/' + RowName(name)))
        return;
    if (foundRows_.size() >= limits_.maxRows)
        throw WalkError(Filled(texts::kTooManyRows, {{"limit", std::to_string(limits_.maxRows)}}));
    observer_.WorkingOn(ReadableAddress(folder.url) + ShownName(name));
    // MLSD's times are UTC; a listing's are the server's, in the zone the settings name.
    const DateTime modified =
        entry.utc ? entry.modified.PlusMinutes(offsetMinutes_) : entry.modified;
    // No date is better than a wrong one: search engines take lastmod at its word.
    std::string lastmod;
    if (modified.IsLastmodDate())
        lastmod = modified.LastmodText() + timeZoneOffset_;
    else
        ++summary_.undated;
    std::string row = BuildUrlEntry(
        {folder.url, RowName(name), lastmod, settings_.changefreq, settings_.priority});
    observer_.RowFound(row);
    foundRows_.push_back(std::move(row));
}
