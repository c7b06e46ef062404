#include "notify/page_changes.h"

#include <map>

namespace {

std::map<QString, QString> byAddress(const std::vector<NotifiedPage>& pages) {
    std::map<QString, QString> lastmods;
    for (const NotifiedPage& page : pages)
        lastmods[page.address] = page.lastmod;
    return lastmods;
}

} // namespace

PageChanges ChangesSince(const std::vector<NotifiedPage>& last,
                         const std::vector<NotifiedPage>& now) {
    const std::map<QString, QString> before = byAddress(last);
    const std::map<QString, QString> after = byAddress(now);
    PageChanges changes;
    for (const auto& [address, lastmod] : after) {
        const auto found = before.find(address);
        if (found == before.end())
            changes.added << address;
        else if (found->second != lastmod)
            changes.changed << address;
    }
    for (const auto& [address, lastmod] : before)
        if (after.find(address) == after.end())
            changes.removed << address;
    return changes;
}
