#pragma once

#include <string>

// A work-table row as BuildUrlEntry makes it, with the values a walk with the default settings
// gives a file listed at "Dec  1 10:20" (2006 by a clock in January 2007) unless told others.
std::string Row(const std::string& folderUrl, const std::string& name,
                const std::string& lastmod = "2006-12-01T10:20:00+09:00",
                const std::string& changefreq = "weekly", const std::string& priority = "0.5");
