#include "support/test_rows.h"

#include "core/url_entry.h"

std::string Row(const std::string& folderUrl, const std::string& name, const std::string& lastmod,
                const std::string& changefreq, const std::string& priority) {
    return BuildUrlEntry({folderUrl, name, lastmod, changefreq, priority});
}
