#pragma once

#include <string>

#include "pagecheck/page_verdict.h"

// What the check found of a page now, for its lastmod.
struct LastmodNow {
    bool notModified = false; // the server answered 304 to the conditional request
    std::string bodySha256;   // of the body served now; empty when none was read whole
    std::string fileLastmod;  // the lastmod the file's time gives, as the row holds it
};

struct LastmodChoice {
    std::string lastmod;
    // True when lastmod is the earlier one although the file's time says otherwise: the page
    // was re-uploaded without a change (the summary counts these).
    bool keptUnchanged = false;
};

// The lastmod to write so that it moves only when the page does: an unchanged page (304, or
// the same body hash) keeps the lastmod written last; a changed or unknown one takes the
// file's time, as without the check.
LastmodChoice StableLastmod(const Validators& previous, const LastmodNow& now);
