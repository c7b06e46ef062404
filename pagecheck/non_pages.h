#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pagecheck/page_verdict.h"

// True when fileName is one a search engine gives a site's owner to prove the ownership
// (google + 16 hex digits + .html, yandex_ + 16 hex + .html, BingSiteAuth.xml and the like):
// such a file is no page of the site.
bool IsVerificationFile(std::string_view fileName);

// The targets of the ErrorDocument lines of an .htaccess text in their order: local paths
// ("/errors/404.html") and addresses. Messages, "default" and commented lines are left out.
std::vector<std::string> ErrorDocumentTargets(std::string_view htaccess);

// The addresses that are no pages by their name alone, judged without a request.
class NonPageNames final {
public:
    // Only the verification files.
    NonPageNames() = default;
    // Also the error documents of htaccess, the text of the .htaccess of the site root, whose
    // paths are resolved against siteUrl.
    NonPageNames(std::string_view siteUrl, std::string_view htaccess);

    // VerificationFile, ErrorDocument, or nothing when the name tells nothing.
    std::optional<Verdict> VerdictOf(std::string_view address) const;

private:
    std::set<std::string> errorDocuments_; // normal addresses
};
