#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "ftp/tls_setting.h"

#include "core/file_io.h"

// The items of the settings' drop-down lists, in the order the dialog shows them.
inline constexpr std::array<std::string_view, 7> kChangefreqItems = {
    "always", "hourly", "daily", "weekly", "monthly", "yearly", "never"};
inline constexpr std::array<std::string_view, 11> kPriorityItems = {
    "0.0", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9", "1.0"};
inline constexpr std::array<std::string_view, 2> kOffset1Items = {"+", "-"};
inline constexpr std::array<std::string_view, 24> kOffset2Items = {
    "00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11",
    "12", "13", "14", "15", "16", "17", "18", "19", "20", "21", "22", "23"};
inline constexpr std::array<std::string_view, 6> kOffset3Items = {"0", "1", "2", "3", "4", "5"};
inline constexpr std::array<std::string_view, 10> kOffset4Items = {"0", "1", "2", "3", "4",
                                                                   "5", "6", "7", "8", "9"};
// How many FTP sessions a retrieval lists folders with at once.
inline constexpr std::array<std::string_view, 8> kConnectionItems = {"1", "2", "3", "4",
                                                                     "5", "6", "7", "8"};
inline constexpr std::string_view kDefaultConnections = "4";

// How many addresses the page check asks for at once.
inline constexpr std::array<std::string_view, 16> kCheckConnectionItems = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"};
inline constexpr std::string_view kDefaultCheckConnections = "4";
// The file of the values the site is entered with (config_v1.conf holds the others).
inline constexpr std::string_view kDatFileName = "config_v1.dat";

// The extension list every run starts with; it is never stored.
// How the program reaches the server; SFTP's port is 22 unless the host names one.
inline constexpr std::array<std::string_view, 2> kTransportItems = {"FTP", "SFTP"};
inline constexpr std::string_view kDefaultExtList = ".htm,.html,.php,.cgi";
// The sitemap's protocol: Google's 0.84 of 2005, or sitemaps.org's 0.9.
inline constexpr std::array<std::string_view, 2> kSitemapFormatItems = {"0.84", "0.9"};
// The names of a folder's own page, which may be written as the folder's address.
inline constexpr std::string_view kDefaultIndexNames = "index.html,index.htm,index.php";

// The site's settings as the texts of the settings dialog's controls, UTF-8. A drop-down list
// without a selection holds the empty text.
struct SiteSettings {
    std::string web_url;   // without a final "/"
    std::string hostname;  // FTP host
    std::string username;  // FTP user
    std::string password;  // FTP password
    std::string site_root; // folder on the FTP server, beginning with "/", without a final "/"
    std::string ext_list{kDefaultExtList};
    std::string changefreq = "weekly";
    std::string priority = "0.5";
    std::string offset_1 = "+";  // sign
    std::string offset_2 = "09"; // hours
    std::string offset_3 = "0";  // minutes, tens digit
    std::string offset_4 = "0";  // minutes, units digit
    // The connection's security: an item of kTlsSettingItems.
    std::string tls{kDefaultTlsSetting};
    // The certificate trusted for a host although it could not be verified, as
    // TrustedCertificate::Text() writes it; empty when none is.
    std::string tls_trust;
    // Sessions a retrieval lists folders with at once: an item of kConnectionItems. With "1" the
    // walk is one conversation that returns to each parent folder; with more, each folder is
    // listed once, by its path, over parallel sessions.
    std::string connections{kDefaultConnections};
    // An item of kTransportItems (files without one are FTP's). With SFTP the login is by the
    // key file when one is named, else by the password when there is one, else by the SSH
    // agent; the TLS setting is FTP's only.
    std::string transport{kTransportItems[0]};
    std::string key_file;
    // Host keys the user trusted, "host:port SHA256:..." each, comma-separated (ssh_settings.h).
    std::string ssh_trust;
    // The key file's passphrase as the user typed it for this run; never stored.
    std::string key_passphrase;
    std::string sitemap_format{kSitemapFormatItems[0]}; // an item of kSitemapFormatItems
    bool gzip = false; // the parts of a sitemap split for its size as .xml.gz
    // Paths the walk leaves out, patterns separated by commas (see ExclusionList).
    std::string exclude;
    bool robots = true; // the walk leaves out what the site's robots.txt disallows
    // A folder's own page written as the folder's address ("/news/" for "/news/index.html")
    // when its name is one of index_names (comma-separated).
    bool folder_addresses = false;
    std::string index_names{kDefaultIndexNames};
    // IndexNow: off until the user turns it on, as it sends the site's addresses to third
    // parties. The key is made when it is first turned on; an empty endpoint is the shared one.
    bool indexnow = false;
    std::string indexnow_key;
    std::string indexnow_endpoint;
    // The page check after the walk: off, the program never asks the site's web server.
    bool check_pages = false;
    std::string check_connections{kDefaultCheckConnections}; // an item of kCheckConnectionItems
    bool stable_lastmod = true; // with the check: a lastmod moves only when the page does

    // Sign, hours, ":" and minutes, appended to every modification time: "+09:00" initially.
    std::string TimeZoneOffset() const;
    // connections as a number, 1 to 8.
    std::size_t ConnectionCount() const;
    // check_connections as a number, 1 to 16.
    int CheckConnectionCount() const;
};

// Why url cannot be the site's address, or None when it can: a ";" would split the fields of
// every row, and a control character, a character that XML forbids or a byte that is no UTF-8
// has no place in an address or in the sitemap.
enum class SiteUrlProblem { None, Separator, UnsafeCharacter, NotWeb };
SiteUrlProblem SiteUrlProblemOf(std::string_view url);

// The initialisation value of every config_v1.dat line. LoadSettings sets it through
// PrepareDatFileIV before it reads; SaveSettings reads it. It starts out holding the same value,
// so a save before any load writes a readable file.
extern std::int64_t DatFileIV;
void PrepareDatFileIV();

// The initialisation value of every config_v1.conf line.
std::int64_t ConfFileIV();

// A settings file that was read but holds a line that cannot be deciphered: the file, the line
// (counted from 1) and the cipher's own text, which what() is.
class SettingsDamaged final : public FileError {
public:
    SettingsDamaged(std::filesystem::path file, std::size_t line, const std::string& detail)
        : FileError(detail), file_(std::move(file)), line_(line) {}
    const std::filesystem::path& File() const { return file_; }
    std::size_t Line() const { return line_; }

private:
    std::filesystem::path file_;
    std::size_t line_;
};

// Reads config_v1.dat and config_v1.conf in folder into settings. A missing file changes
// nothing. Lines may end in CR LF or LF. Throws FileError when a file cannot be read, is no
// regular file or is larger than 64 KiB, SettingsDamaged when a line cannot be deciphered;
// the values read before that point stay in settings.
void LoadSettings(const std::filesystem::path& folder, SiteSettings& settings);

// True when the values that LoadSettings read from config_v1.dat cannot be values the program
// wrote (not valid UTF-8, or holding a control character, U+FFFE or U+FFFF: a file enciphered
// under other values, or damaged). The window takes such values as they are; the command line
// refuses them.
bool DatFileGarbled(const SiteSettings& settings);

// Stores certificate as the trusted one in folder's settings files, every other stored value
// kept as it is (values typed into the dialog and not stored stay unstored). Throws as
// LoadSettings and SaveSettings do.
void StoreTrustedCertificate(const std::filesystem::path& folder,
                             const TrustedCertificate& certificate);

// Writes both files into folder, each replaced as a whole and readable by the owner only.
// Throws FileError when a file cannot be written; when config_v1.dat fails, config_v1.conf is
// left as it was.
void SaveSettings(const std::filesystem::path& folder, const SiteSettings& settings);
