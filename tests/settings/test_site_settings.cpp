#include "settings/SiteSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/texts.h"
#include "mylib/BF2B64Text.h"
#include "mylib/CryptUtils.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const char* const kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A value in every setting that differs from the initial ones, so that "kept" is visible.
SiteSettings markedSettings() {
    SiteSettings s;
    s.web_url = "kept-url";
    s.hostname = "kept-host";
    s.username = "kept-user";
    s.password = "kept-password";
    s.site_root = "kept-root";
    s.changefreq = "monthly";
    s.priority = "0.8";
    s.offset_1 = "-";
    s.offset_2 = "05";
    s.offset_3 = "3";
    s.offset_4 = "0";
    s.tls = "off";
    s.connections = "2";
    s.sitemap_format = "0.9";
    s.gzip = true;
    s.robots = false;
    s.exclude = "/kept/";
    s.folder_addresses = true;
    s.index_names = "kept.html";
    s.indexnow = true;
    s.indexnow_key = "kept0kept";
    s.indexnow_endpoint = "http://kept.example/indexnow";
    s.check_pages = true;
    s.check_connections = "9";
    s.stable_lastmod = false;
    return s;
}

void expectSameStored(const SiteSettings& actual, const SiteSettings& expected) {
    EXPECT_EQ(actual.web_url, expected.web_url);
    EXPECT_EQ(actual.hostname, expected.hostname);
    EXPECT_EQ(actual.username, expected.username);
    EXPECT_EQ(actual.password, expected.password);
    EXPECT_EQ(actual.site_root, expected.site_root);
    EXPECT_EQ(actual.changefreq, expected.changefreq);
    EXPECT_EQ(actual.priority, expected.priority);
    EXPECT_EQ(actual.offset_1, expected.offset_1);
    EXPECT_EQ(actual.offset_2, expected.offset_2);
    EXPECT_EQ(actual.offset_3, expected.offset_3);
    EXPECT_EQ(actual.offset_4, expected.offset_4);
    EXPECT_EQ(actual.tls, expected.tls);
    EXPECT_EQ(actual.connections, expected.connections);
    EXPECT_EQ(actual.sitemap_format, expected.sitemap_format);
    EXPECT_EQ(actual.gzip, expected.gzip);
    EXPECT_EQ(actual.robots, expected.robots);
    EXPECT_EQ(actual.exclude, expected.exclude);
    EXPECT_EQ(actual.folder_addresses, expected.folder_addresses);
    EXPECT_EQ(actual.index_names, expected.index_names);
    EXPECT_EQ(actual.transport, expected.transport);
    EXPECT_EQ(actual.key_file, expected.key_file);
    EXPECT_EQ(actual.ssh_trust, expected.ssh_trust);
    EXPECT_EQ(actual.indexnow, expected.indexnow);
    EXPECT_EQ(actual.indexnow_key, expected.indexnow_key);
    EXPECT_EQ(actual.indexnow_endpoint, expected.indexnow_endpoint);
    EXPECT_EQ(actual.check_pages, expected.check_pages);
    EXPECT_EQ(actual.check_connections, expected.check_connections);
    EXPECT_EQ(actual.stable_lastmod, expected.stable_lastmod);
}

// The file split at CR LF exactly; a bare CR or LF stays inside its line.
std::vector<std::string> crLfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
    return lines;
}

class SiteSettingsFiles : public ::testing::Test {
protected:
    fs::path dat() const { return folder_ / "config_v1.dat"; }
    fs::path conf() const { return folder_ / "config_v1.conf"; }

    // Writes a file whose lines encipher the given texts, with the given line end.
    void writeLines(const fs::path& file, std::initializer_list<std::string> texts, std::int64_t iv,
                    const std::string& lineEnd = "\r\n") {
        std::string bytes;
        for (const std::string& text : texts)
            bytes += EncryptText("QZV", text, iv) + lineEnd;
        WriteFileAtomically(file, bytes);
    }

    SiteSettings load() {
        SiteSettings settings = markedSettings();
        LoadSettings(folder_, settings);
        return settings;
    }

    TempFolder tempFolder_{"sw_settings"};

    const fs::path folder_ = tempFolder_.Path();
};

} // namespace

TEST(SiteSettingsValues, InitialValuesAreItemsOfTheirLists) {
    const SiteSettings s;
    EXPECT_EQ(s.web_url + s.hostname + s.username + s.password + s.site_root, "");
    EXPECT_EQ(s.ext_list, ".htm,.html,.php,.cgi");
    EXPECT_EQ(kChangefreqItems[3], s.changefreq);
    EXPECT_EQ(kPriorityItems[5], s.priority);
    EXPECT_EQ(kOffset1Items[0], s.offset_1);
    EXPECT_EQ(kOffset2Items[9], s.offset_2);
    EXPECT_EQ(kOffset3Items[0], s.offset_3);
    EXPECT_EQ(kOffset4Items[0], s.offset_4);
    EXPECT_EQ(s.TimeZoneOffset(), "+09:00");
    for (std::size_t i = 0; i < kOffset2Items.size(); ++i)
        EXPECT_EQ(std::stoul(std::string(kOffset2Items[i])), i);
    EXPECT_EQ(kPriorityItems.back(), "1.0");
    EXPECT_EQ(kOffset4Items.back(), "9");
}

TEST(SiteSettingsValues, TimeZoneOffsetJoinsTheFourParts) {
    SiteSettings s;
    s.offset_1 = "-";
    s.offset_2 = "05";
    s.offset_3 = "3";
    s.offset_4 = "0";
    EXPECT_EQ(s.TimeZoneOffset(), "-05:30");
    s.offset_2.clear();
    EXPECT_EQ(s.TimeZoneOffset(), "-:30");
}

TEST_F(SiteSettingsFiles, SaveThenLoadRestoresEveryStoredValue) {
    SiteSettings saved;
    saved.web_url = "https://www.例え.jp/サイト";
    saved.hostname = "ftp.例え.jp";
    saved.username = "ユーザー名";
    saved.password = std::string("p=ss\0wörd;&", 12);
    saved.site_root = "/public_html/日本語";
    saved.ext_list = ".php";
    saved.changefreq = "never";
    saved.priority = "1.0";
    saved.offset_1 = "-";
    saved.offset_2 = "23";
    saved.offset_3 = "4";
    saved.offset_4 = "5";
    saved.tls = "required";
    saved.connections = "8";
    saved.sitemap_format = "0.9";
    saved.gzip = true;
    saved.robots = false;
    saved.exclude = "/下書き/,*/admin/*,*.bak.html";
    saved.folder_addresses = true;
    saved.index_names = "index.html,default.htm";
    saved.transport = "SFTP";
    saved.key_file = "/home/ユーザー/.ssh/id_ed25519";
    saved.ssh_trust = "ftp.例え.jp:22 SHA256:nThbg6kXUpJWGl7E1IGOCspRomTxdCARLviKw6E5SY8";
    saved.key_passphrase = "never stored";
    saved.indexnow = true;
    saved.indexnow_key = "0123456789abcdef0123456789abcdef";
    saved.indexnow_endpoint = "https://engine.example/indexnow";
    saved.check_pages = true;
    saved.check_connections = "16";
    saved.stable_lastmod = false;
    SaveSettings(folder_, saved);

    SiteSettings loaded;
    LoadSettings(folder_, loaded);
    expectSameStored(loaded, saved);
    EXPECT_EQ(loaded.ext_list, ".htm,.html,.php,.cgi") << "the extension list is never stored";
    EXPECT_EQ(loaded.key_passphrase, "");

    // Empty values, an offset without selection, and values back at the initial ones.
    SiteSettings blank;
    blank.offset_3.clear();
    SaveSettings(folder_, blank);
    SiteSettings reloaded = markedSettings();
    LoadSettings(folder_, reloaded);
    expectSameStored(reloaded, blank);
}

TEST_F(SiteSettingsFiles, FileLayout) {
    SiteSettings s;
    s.hostname = "";                       // 0 bytes
    s.username = "1234567";                // 7 bytes
    s.password = "12345678";               // 8 bytes
    s.site_root = "/public_html/ab";       // 15 bytes
    s.web_url = "https://example.jp/abcd"; // 23 bytes
    SaveSettings(folder_, s);

    const std::vector<std::string> datLines = crLfLines(ReadFile(dat()));
    ASSERT_EQ(datLines.size(), 6u);
    EXPECT_EQ(datLines[5], "");
    const std::size_t datLengths[] = {12, 12, 24, 24, 32};
    const std::string datValues[] = {s.hostname, s.username, s.password, s.site_root, s.web_url};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(datLines[i].size(), datLengths[i]) << i;
        EXPECT_EQ(datLines[i].find_first_not_of(std::string(kBase64Alphabet) + "="),
                  std::string::npos);
        EXPECT_EQ(DecryptText("QZV", datLines[i], DatFileIV), datValues[i]) << i;
    }

    const std::vector<std::string> confLines = crLfLines(ReadFile(conf()));
    // The six lines every reader knows, then the connection's security, the number of
    // sessions and the sitemap's layout, which readers that do not know the keys pass over.
    const char* const confTexts[] = {"[changefreq]=weekly",
                                     "[priority]=0.5",
                                     "[offset_1]=+",
                                     "[offset_2]=09",
                                     "[offset_3]=0",
                                     "[offset_4]=0",
                                     "[tls]=auto",
                                     "[connections]=4",
                                     "[sitemap_format]=0.84",
                                     "[transport]=FTP",
                                     "[check_connections]=4",
                                     "[gzip]=0",
                                     "[robots]=1",
                                     "[folder_addresses]=0",
                                     "[indexnow]=0",
                                     "[check_pages]=0",
                                     "[stable_lastmod]=1",
                                     "[exclude]=",
                                     "[index_names]=index.html,index.htm,index.php",
                                     "[key_file]=",
                                     "[ssh_trust]=",
                                     "[indexnow_key]=",
                                     "[indexnow_endpoint]="};
    const std::size_t count = std::size(confTexts);
    ASSERT_EQ(confLines.size(), count + 1);
    EXPECT_EQ(confLines[count], "");
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(DecryptText("QZV", confLines[i], ConfFileIV()), confTexts[i]) << i;
        EXPECT_EQ(confLines[i].find_first_not_of(std::string(kBase64Alphabet) + "="),
                  std::string::npos);
    }
    EXPECT_EQ(confLines[0].size(), 32u);
    EXPECT_EQ(confLines[1].size(), 24u);
    EXPECT_EQ(confLines[2].size(), 24u);

    // The two files use different initialisation values.
    EXPECT_NE(DatFileIV, ConfFileIV());
    EXPECT_NE(DecryptText("QZV", confLines[0], DatFileIV), confTexts[0]);
}

TEST_F(SiteSettingsFiles, FilesAreReadableByTheOwnerOnly) {
    WriteFileAtomically(dat(), "old"); // 0644
    SaveSettings(folder_, SiteSettings());
    for (const fs::path& file : {dat(), conf()}) {
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
    }
}

TEST_F(SiteSettingsFiles, MissingFilesChangeNothing) {
    expectSameStored(load(), markedSettings());

    // Only config_v1.conf: the account values stay.
    writeLines(conf(), {"[priority]=0.1"}, ConfFileIV());
    SiteSettings expected = markedSettings();
    expected.priority = "0.1";
    expectSameStored(load(), expected);
}

TEST_F(SiteSettingsFiles, ShortDatFileEmptiesTheMissingValues) {
    // Two lines ending in LF only; the other three values become empty.
    writeLines(dat(), {"host.example", "user"}, DatFileIV, "\n");
    const SiteSettings s = load();
    EXPECT_EQ(s.hostname, "host.example");
    EXPECT_EQ(s.username, "user");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.site_root, "");
    EXPECT_EQ(s.web_url, "");

    WriteFileAtomically(dat(), "");
    const SiteSettings empty = load();
    EXPECT_EQ(empty.hostname + empty.username + empty.password + empty.site_root + empty.web_url,
              "");
}

TEST_F(SiteSettingsFiles, CarriageReturnBelongsToTheLineEnd) {
    // Three whole groups (8 bytes) and three characters left over; with the CR counted in, a
    // fourth group would make 11 bytes, a partial block.
    WriteFileAtomically(dat(),
                        "AAAAAAAAAAA=AAA\r\n" + EncryptText("QZV", "user", DatFileIV) + "\r\n");
    const SiteSettings s = load();
    EXPECT_EQ(s.username, "user");
}

TEST_F(SiteSettingsFiles, ConfLinesInAnyOrderLastOccurrenceWins) {
    writeLines(conf(),
               {"[offset_4]=5", "[unknown]=x", "[priority]=0.9", "no equals sign", "",
                "[Priority]=0.1", "[changefreq]=daily", "[priority]=0.3", "[offset_1]=-", "=0.7",
                "[offset_2]=11", " [offset_3]=1", "[offset_3]=2", "[changefreq]=hourly"},
               ConfFileIV(), "\n");
    SiteSettings expected = markedSettings();
    expected.changefreq = "hourly";
    expected.priority = "0.3";
    expected.offset_1 = "-";
    expected.offset_2 = "11";
    expected.offset_3 = "2";
    expected.offset_4 = "5";
    expectSameStored(load(), expected);
}

TEST_F(SiteSettingsFiles, UnmatchedValues) {
    // Offsets without a matching item lose their selection; the two defaults keep theirs.
    writeLines(conf(),
               {"[offset_2]=7", "[offset_1]=x", "[offset_3]=", "[changefreq]=Weekly",
                "[priority]=0.55", "[offset_4]=5=5"},
               ConfFileIV());
    SiteSettings expected = markedSettings();
    expected.offset_1 = "";
    expected.offset_2 = "";
    expected.offset_3 = "";
    expected.offset_4 = "";
    expectSameStored(load(), expected);
}

TEST_F(SiteSettingsFiles, UndecipherableDatLineStopsTheLoad) {
    // The third line decodes to 12 bytes, not whole cipher blocks.
    const std::string damaged = EncryptText("QZV", "0123456789abcdef", DatFileIV).substr(0, 16);
    WriteFileAtomically(dat(), EncryptText("QZV", "host", DatFileIV) + "\r\n" +
                                   EncryptText("QZV", "user", DatFileIV) + "\r\n" + damaged +
                                   "\r\n" + EncryptText("QZV", "/root", DatFileIV) + "\r\n");
    writeLines(conf(), {"[changefreq]=daily"}, ConfFileIV());

    SiteSettings s = markedSettings();
    try {
        LoadSettings(folder_, s);
        FAIL() << "the damaged line was accepted";
    } catch (const SettingsDamaged& error) {
        EXPECT_EQ(error.File(), dat());
        EXPECT_EQ(error.Line(), 3u);
        EXPECT_STREQ(error.what(), "Assertion failure (mylib\\CryptUtils, 315 行)");
    }
    SiteSettings expected = markedSettings();
    expected.hostname = "host";
    expected.username = "user";
    expectSameStored(s, expected);
}

TEST_F(SiteSettingsFiles, UndecipherableConfLineStopsTheLoad) {
    WriteFileAtomically(conf(), EncryptText("QZV", "[changefreq]=daily", ConfFileIV()) +
                                    "\r\nAAAAAAAAAA==\r\n" +
                                    EncryptText("QZV", "[priority]=0.9", ConfFileIV()) + "\r\n");
    SiteSettings s = markedSettings();
    try {
        LoadSettings(folder_, s);
        FAIL() << "the damaged line was accepted";
    } catch (const SettingsDamaged& error) {
        EXPECT_EQ(error.File(), conf());
        EXPECT_EQ(error.Line(), 2u);
    }
    EXPECT_EQ(s.changefreq, "daily");
    EXPECT_EQ(s.priority, "0.8");
}

TEST_F(SiteSettingsFiles, LinesUnderAnotherInitialisationValueLoadWithoutError) {
    writeLines(conf(), {"[priority]=0.9", "[changefreq]=daily"}, DatFileIV);
    writeLines(dat(), {"ftp.example.jp"}, ConfFileIV());
    SiteSettings s = markedSettings();
    ASSERT_NO_THROW(LoadSettings(folder_, s));
    EXPECT_NE(s.hostname, "ftp.example.jp");
    EXPECT_EQ(s.priority, "0.8");
    EXPECT_EQ(s.changefreq, "monthly");
    // The window takes such values as they are; the command line asks whether they can be ours.
    EXPECT_TRUE(DatFileGarbled(s));
    SaveSettings(folder_, markedSettings());
    LoadSettings(folder_, s);
    EXPECT_FALSE(DatFileGarbled(s));
}

TEST_F(SiteSettingsFiles, OnlySmallRegularFilesAreRead) {
    // Settings files are a few hundred bytes: a device, a FIFO or a huge file is refused at
    // once, naming the file.
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", dat()); }},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(dat().c_str(), 0600), 0); }},
        {"65 KiB", [&] { WriteFileAtomically(dat(), std::string(65 * 1024, 'A')); }},
    };
    for (const auto& [what, make] : cases) {
        SCOPED_TRACE(what);
        fs::remove(dat());
        make();
        SiteSettings s = markedSettings();
        try {
            LoadSettings(folder_, s);
            ADD_FAILURE() << "accepted";
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find("「" + dat().string() + "」"),
                      std::string::npos)
                << error.what();
        }
        expectSameStored(s, markedSettings());
    }
}

TEST(SiteUrl, RefusesWhatWouldShiftRowsOrBreakTheSitemap) {
    const std::pair<std::string, SiteUrlProblem> cases[] = {
        {"https://www.example.jp/日本", SiteUrlProblem::None},
        {"", SiteUrlProblem::None},
        {"https://a.example/x;y", SiteUrlProblem::Separator},
        {"https://a.example/\tx", SiteUrlProblem::UnsafeCharacter},
        {"https://a.example/\x7f", SiteUrlProblem::UnsafeCharacter},
        {"https://a.example/\xEF\xBF\xBE", SiteUrlProblem::UnsafeCharacter},
        {"https://a.example/\xff", SiteUrlProblem::UnsafeCharacter},
    };
    for (const auto& [url, problem] : cases)
        EXPECT_EQ(SiteUrlProblemOf(url), problem) << url;
    // Only an absolute web address makes every loc a URL.
    for (const char* url : {"HTTPS://a.example", "http://u@[::1]:8080/x", "http://a.example:80"})
        EXPECT_EQ(SiteUrlProblemOf(url), SiteUrlProblem::None) << url;
    for (const char* url : {"www.example.com/", "ftp://a.example", "https://", "https:///x",
                            "http://:80", "http://u@/", "https//a.example", "/about"})
        EXPECT_EQ(SiteUrlProblemOf(url), SiteUrlProblem::NotWeb) << url;
}

TEST_F(SiteSettingsFiles, UnreadableFileStopsTheLoad) {
    fs::create_directory(dat());
    writeLines(conf(), {"[changefreq]=daily"}, ConfFileIV());
    SiteSettings s = markedSettings();
    EXPECT_THROW(LoadSettings(folder_, s), FileError);
    expectSameStored(s, markedSettings());
}

TEST_F(SiteSettingsFiles, LoadRestoresTheDatFileInitialisationValue) {
    SaveSettings(folder_, markedSettings());
    const std::int64_t saved = DatFileIV;
    DatFileIV = 1;
    SiteSettings s;
    LoadSettings(folder_, s);
    EXPECT_EQ(DatFileIV, saved);
    expectSameStored(s, markedSettings());
}

TEST_F(SiteSettingsFiles, FailedDatWriteLeavesBothFilesAlone) {
    SaveSettings(folder_, SiteSettings());
    const std::string oldConf = ReadFile(conf());
    // A folder in config_v1.dat's place cannot be replaced.
    fs::remove(dat());
    fs::create_directory(dat());
    WriteFileAtomically(dat() / "inside", "x");

    EXPECT_THROW(SaveSettings(folder_, markedSettings()), FileError);
    EXPECT_EQ(ReadFile(dat() / "inside"), "x");
    EXPECT_EQ(ReadFile(conf()), oldConf);
}

TEST_F(SiteSettingsFiles, FailedConfWriteKeepsTheOldConf) {
    fs::create_directory(conf());
    EXPECT_THROW(SaveSettings(folder_, markedSettings()), FileError);
    EXPECT_TRUE(fs::is_directory(conf()));
    // config_v1.dat was written before; reading the folder in conf's place then fails.
    SiteSettings s;
    EXPECT_THROW(LoadSettings(folder_, s), FileError);
    EXPECT_EQ(s.hostname, "kept-host");
    EXPECT_EQ(s.web_url, "kept-url");
}

TEST_F(SiteSettingsFiles, SaveIntoReadOnlyFolderKeepsOldFiles) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    SaveSettings(folder_, SiteSettings());
    const std::string oldDat = ReadFile(dat());
    const std::string oldConf = ReadFile(conf());
    fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_THROW(SaveSettings(folder_, markedSettings()), FileError);
    EXPECT_EQ(ReadFile(dat()), oldDat);
    EXPECT_EQ(ReadFile(conf()), oldConf);
}

TEST_F(SiteSettingsFiles, SaveInterruptedAtEveryStepKeepsBothFiles) {
    SaveSettings(folder_, SiteSettings());
    const std::string oldDat = ReadFile(dat());
    const std::string oldConf = ReadFile(conf());
    for (AtomicWriteStep step :
         {AtomicWriteStep::CreateTemporary, AtomicWriteStep::SetPermissions, AtomicWriteStep::Write,
          AtomicWriteStep::Flush, AtomicWriteStep::Close, AtomicWriteStep::Rename}) {
        const AtomicWriteFault fault(step, ENOSPC);
        EXPECT_THROW(SaveSettings(folder_, markedSettings()), FileError);
        EXPECT_EQ(ReadFile(dat()), oldDat);
        EXPECT_EQ(ReadFile(conf()), oldConf);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
    }
    SiteSettings s = markedSettings();
    LoadSettings(folder_, s);
    expectSameStored(s, SiteSettings());
}

// The connection's security and a trusted certificate are stored, read back, and a damaged
// trust line or an unknown security is passed over rather than taken.
TEST_F(SiteSettingsFiles, SecurityAndTrustedCertificateRoundTrip) {
    std::string fingerprint = "SHA256:0F";
    for (int i = 1; i < 32; ++i)
        fingerprint += ":0F";
    SiteSettings s;
    s.hostname = "ftp.example.com";
    s.tls = "required";
    s.tls_trust = TrustedCertificate{"ftp.example.com", fingerprint}.Text();
    SaveSettings(folder_, s);
    SiteSettings loaded;
    LoadSettings(folder_, loaded);
    EXPECT_EQ(loaded.tls, "required");
    EXPECT_EQ(loaded.tls_trust, "ftp.example.com " + fingerprint);

    // Trusting keeps every other stored value.
    StoreTrustedCertificate(folder_, {"other.example", fingerprint});
    LoadSettings(folder_, loaded);
    EXPECT_EQ(loaded.tls_trust, "other.example " + fingerprint);
    EXPECT_EQ(loaded.hostname, "ftp.example.com");
    EXPECT_EQ(loaded.tls, "required");

    for (const auto& [security, trust] : {std::pair("always", "ftp.example.com SHA256:00"),
                                          std::pair("REQUIRED", "ftp.example.com")}) {
        SiteSettings damaged = s;
        damaged.tls = security;
        damaged.tls_trust = trust;
        SaveSettings(folder_, damaged);
        SiteSettings read;
        LoadSettings(folder_, read);
        EXPECT_EQ(read.tls, "auto") << security;
        EXPECT_EQ(read.tls_trust, "") << trust;
    }
}
