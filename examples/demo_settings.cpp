// Writes the settings files of a program folder for the demonstration:
//   demo_settings FOLDER HOST USER PASSWORD SITE_ROOT WEB_URL
// The demo host lists file times in UTC, so the time-zone offset is +00:00; the other values
// keep the settings dialog's initial values.
#include <exception>
#include <iostream>

#include "settings/SiteSettings.h"

int main(int argc, char* argv[]) {
    if (argc != 7) {
        std::cerr << "usage: " << argv[0] << " FOLDER HOST USER PASSWORD SITE_ROOT WEB_URL\n";
        return 2;
    }
    SiteSettings settings;
    settings.hostname = argv[2];
    settings.username = argv[3];
    settings.password = argv[4];
    settings.site_root = argv[5];
    settings.web_url = argv[6];
    settings.offset_2 = "00";
    try {
        SaveSettings(argv[1], settings);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    return 0;
}
