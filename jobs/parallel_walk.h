#pragma once

#include <cstddef>
#include <memory>

#include "jobs/walk_rules.h"


// The walk over several sessions. Each folder is listed once, by its path, by whichever
// session is free; the rows, messages and counts come from the listings in the order of the
// depth-first walk, so they are those of the walk over one session on a site that holds still.
// first is logged in; the others are made like it (SiteConnection::Another).
std::unique_ptr<WalkRules> MakeParallelWalk(SiteConnection& first, const SiteSettings& settings,
                                            const RetrievalLimits& limits,
                                            RetrievalObserver& observer, RetrievalSummary& summary,
                                            std::size_t sessions);
