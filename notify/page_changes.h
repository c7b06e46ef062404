#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A page as last told to the search engines, or as the newest sitemap lists it.
struct NotifiedPage {
    QString address;
    QString lastmod;
};

// What moved between two lists of pages, each list sorted by address.
struct PageChanges {
    QStringList added;
    QStringList changed; // the lastmod moved
    QStringList removed;

    bool IsEmpty() const { return added.isEmpty() && changed.isEmpty() && removed.isEmpty(); }
    // added, changed and removed in one list: what goes in the notification.
    QStringList All() const { return added + changed + removed; }
};

// The pages of now that last lacks or lists with another lastmod, and those of last that now
// lacks. An address listed twice counts with its last lastmod. A site never notified before has
// no last list: the caller then sends nothing and keeps now, as the sitemap tells the rest.
PageChanges ChangesSince(const std::vector<NotifiedPage>& last,
                         const std::vector<NotifiedPage>& now);
