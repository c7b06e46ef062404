#pragma once

#include <cstddef>
#include <memory>

#include "jobs/walk_rules.h"

class FtpConnection;

// The walk over one FTP session: folders depth first, one CWD and listing per folder on the way
// in and again for the parent on the way back, rows in the order the files are met.
std::unique_ptr<WalkRules> MakeFolderWalk(FtpConnection& ftp, const SiteSettings& settings,
                                          const RetrievalLimits& limits,
                                          RetrievalObserver& observer, RetrievalSummary& summary);
