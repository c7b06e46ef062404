#pragma once

#include "settings/SiteSettings.h"

// Settings whose conversations are plain FTP, command for command as scripted servers expect
// them: without AUTH TLS, which the default ("auto") sends first, over one session, and
// without the walk's reading of robots.txt.
inline SiteSettings PlainFtpSettings() {
    SiteSettings settings;
    settings.tls = "off";
    settings.connections = "1";
    settings.robots = false;
    return settings;
}
