#pragma once

#include <string>
#include <string_view>

// What the <head> of a page tells search engines.
struct HeadFacts {
    bool noindex = false;  // meta robots or googlebot holding noindex or none
    std::string canonical; // href of the first link rel=canonical, as written; empty: none
    bool ended = false;    // </head> or <body> was reached: nothing later can change the facts
};

// Scans html from its start to </head> or <body> (or its end) for meta robots and googlebot
// and link rel=canonical. Tolerant rather than exact: names and values in any case, values in
// double, single or no quotes, comments and the text of script and style skipped; a tag cut off
// by the end of html is left out. No full parser.
HeadFacts ScanHead(std::string_view html);

// True when one X-Robots-Tag value ("noindex", "googlebot: noindex, nofollow", ...) forbids
// indexing to all robots or to Googlebot.
bool RobotsHeaderForbidsIndexing(std::string_view value);
