#include "pagecheck/stable_lastmod.h"

LastmodChoice StableLastmod(const Validators& previous, const LastmodNow& now) {
    const bool sameBody = !now.bodySha256.empty() && now.bodySha256 == previous.bodySha256;
    if (previous.lastmodWritten.empty() || !(now.notModified || sameBody))
        return {now.fileLastmod, false};
    return {previous.lastmodWritten, now.fileLastmod != previous.lastmodWritten};
}
