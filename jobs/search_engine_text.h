#pragma once

#include <string>

#include "jobs/search_engines.h"

// The catalogue's sentences for telling search engines, shared by the window and the command
// line: what the robots.txt check found or did, and what a notification sent and the answer.
std::string RobotsText(const RobotsResult& result);
std::string NotifyText(const NotifyResult& result);
