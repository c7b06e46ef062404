#include "pagecheck/non_pages.h"

#include <regex>

#include "core/text_util.h"
#include "pagecheck/page_address.h"

bool IsVerificationFile(std::string_view fileName) {
    static const std::regex kNames("google[0-9a-f]{16}\\.html"   // Google Search Console
                                   "|yandex_[0-9a-f]{16}\\.html" // Yandex Webmaster
                                   "|BingSiteAuth\\.xml"         // Bing Webmaster Tools
                                   "|naver[0-9a-f]{32}\\.html"   // Naver Search Advisor
                                   "|baidu_verify_[0-9A-Za-z_-]+\\.html"
                                   "|pinterest-[0-9a-f]{5}\\.html",
                                   std::regex::icase | std::regex::optimize);
    return std::regex_match(fileName.begin(), fileName.end(), kNames);
}

std::vector<std::string> ErrorDocumentTargets(std::string_view htaccess) {
    std::vector<std::string> targets;
    for (const std::string& line : SplitLines(htaccess)) {
        std::string_view rest = Trimmed(line);
        // "ErrorDocument", the status, the target: a path, an address or a quoted message.
        constexpr std::string_view kDirective = "ErrorDocument";
        if (!EqualsIgnoringCase(rest.substr(0, kDirective.size()), kDirective))
            continue;
        rest = rest.substr(kDirective.size());
        if (rest.empty() || (rest[0] != ' ' && rest[0] != '\t'))
            continue;
        rest = Trimmed(rest);
        const std::size_t statusEnd = rest.find_first_of(" \t");
        if (statusEnd == std::string_view::npos)
            continue;
        std::string_view target = Trimmed(rest.substr(statusEnd));
        if (target.size() >= 2 && target.front() == '"' && target.back() == '"')
            target = target.substr(1, target.size() - 2);
        if (target.find_first_of(" \t") != std::string_view::npos)
            continue; // a message
        const bool address = EqualsIgnoringCase(target.substr(0, 7), "http://") ||
                             EqualsIgnoringCase(target.substr(0, 8), "https://");
        if (address || target.substr(0, 1) == "/")
            targets.emplace_back(target);
    }
    return targets;
}

NonPageNames::NonPageNames(std::string_view siteUrl, std::string_view htaccess) {
    for (const std::string& target : ErrorDocumentTargets(htaccess)) {
        std::string address = NormalAddress(target, siteUrl);
        if (!address.empty())
            errorDocuments_.insert(std::move(address));
    }
}

std::optional<Verdict> NonPageNames::VerdictOf(std::string_view address) const {
    const std::string normal = NormalAddress(address);
    if (normal.empty())
        return std::nullopt;
    const std::size_t pathStart = normal.find('/', normal.find("://") + 3);
    const std::string path = normal.substr(pathStart, normal.find('?', pathStart) - pathStart);
    if (IsVerificationFile(path.substr(path.rfind('/') + 1)))
        return Verdict::VerificationFile;
    if (errorDocuments_.count(normal))
        return Verdict::ErrorDocument;
    return std::nullopt;
}
