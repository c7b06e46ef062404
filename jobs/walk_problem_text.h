#pragma once

#include <string>

#include "jobs/retrieval.h"

// The sentence for a problem of the walk, shared by the two edges that show it (the window's
// message box and the command line's error output).
std::string WalkProblemText(const WalkProblem& problem);
