#include "settings/SiteSettings.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "app/file_io.h"
#include "app/texts.h"
#include "mylib/BF2B64Text.h"

namespace fs = std::filesystem;

namespace {

// Every line of both files is enciphered under this key.
const std::string kKey = "QZV";
const char* const kDatFileName = "config_v1.dat";
const char* const kConfFileName = "config_v1.conf";

std::int64_t joinHalves(std::uint32_t high, std::uint32_t low) {
    return std::int64_t(std::uint64_t(high) << 32 | low);
}

// The two initialisation values are fixed for good: files written under other values cannot be
// read back.
std::int64_t datFileIVValue() {
    return joinHalves(0x5A17C3E9, 0x2B846DF1);
}

// config_v1.dat holds these values, one line each, in this order.
std::string SiteSettings::*const kDatValues[] = {&SiteSettings::hostname, &SiteSettings::username,
                                                 &SiteSettings::password, &SiteSettings::site_root,
                                                 &SiteSettings::web_url};

// config_v1.conf holds "key=value" lines for the drop-down lists. A value is taken when it
// equals one of the list's items; offsets are matched ignoring letter case and fall back to no
// selection, the others keep their current value.
struct ConfValue {
    const char* key;
    std::string SiteSettings::*member;
    const std::string_view* items;
    std::size_t itemCount;
    bool offset;
};

template <std::size_t N>
constexpr ConfValue confValue(const char* key, std::string SiteSettings::*member,
                              const std::array<std::string_view, N>& items, bool offset) {
    return {key, member, items.data(), N, offset};
}

const ConfValue kConfValues[] = {
    confValue("[changefreq]", &SiteSettings::changefreq, kChangefreqItems, false),
    confValue("[priority]", &SiteSettings::priority, kPriorityItems, false),
    confValue("[offset_1]", &SiteSettings::offset_1, kOffset1Items, true),
    confValue("[offset_2]", &SiteSettings::offset_2, kOffset2Items, true),
    confValue("[offset_3]", &SiteSettings::offset_3, kOffset3Items, true),
    confValue("[offset_4]", &SiteSettings::offset_4, kOffset4Items, true),
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void applyConfValue(const ConfValue& entry, const std::string& value, SiteSettings& settings) {
    const std::string_view* end = entry.items + entry.itemCount;
    const std::string_view* item = std::find_if(entry.items, end, [&](std::string_view text) {
        return entry.offset ? equalIgnoringCase(text, value) : text == value;
    });
    if (item != end)
        settings.*entry.member = std::string(*item);
    else if (entry.offset)
        (settings.*entry.member).clear();
}

// The file's lines without their CR LF or LF; a final line end starts no further line.
std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

} // namespace

std::int64_t DatFileIV = datFileIVValue();

void PrepareDatFileIV() {
    DatFileIV = datFileIVValue();
}

std::int64_t ConfFileIV() {
    return joinHalves(0xC4D2916B, 0x7E05A38F);
}

std::string_view SiteUrlProblem(std::string_view url) {
    if (url.find(';') != std::string_view::npos)
        return texts::kSeparatorRefused;
    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto byte = static_cast<unsigned char>(url[i]);
        // U+FFFE and U+FFFF (EF BF BE, EF BF BF) are no characters to XML.
        const bool nonCharacter = byte == 0xEF && i + 2 < url.size() &&
                                  static_cast<unsigned char>(url[i + 1]) == 0xBF &&
                                  (static_cast<unsigned char>(url[i + 2]) & 0xFE) == 0xBE;
        if (byte < 0x20 || byte == 0x7F || nonCharacter)
            return texts::kUnusableCharacter;
    }
    return {};
}

std::string SiteSettings::TimeZoneOffset() const {
    return offset_1 + offset_2 + ":" + offset_3 + offset_4;
}

void LoadSettings(const fs::path& folder, SiteSettings& settings) {
    PrepareDatFileIV();

    const fs::path datFile = folder / kDatFileName;
    if (fs::exists(datFile)) {
        const std::vector<std::string> lines = textLines(ReadFile(datFile));
        // Lines missing at the end read as empty.
        for (std::size_t i = 0; i < std::size(kDatValues); ++i) {
            const std::string line = i < lines.size() ? lines[i] : std::string();
            settings.*kDatValues[i] = DecryptText(kKey, line, DatFileIV);
        }
    }

    const fs::path confFile = folder / kConfFileName;
    if (!fs::exists(confFile))
        return;
    for (const std::string& line : textLines(ReadFile(confFile))) {
        const std::string text = DecryptText(kKey, line, ConfFileIV());
        const std::size_t equals = text.find('=');
        const std::string key =
            equals == std::string::npos ? std::string() : text.substr(0, equals);
        const std::string value = equals == std::string::npos ? text : text.substr(equals + 1);
        for (const ConfValue& entry : kConfValues) {
            if (key == entry.key)
                applyConfValue(entry, value, settings);
        }
    }
}

void SaveSettings(const fs::path& folder, const SiteSettings& settings) {
    std::string dat;
    for (std::string SiteSettings::*member : kDatValues)
        dat += EncryptText(kKey, settings.*member, DatFileIV) + "\r\n";
    dat += "\r\n";

    std::string conf;
    for (const ConfValue& entry : kConfValues)
        conf +=
            EncryptText(kKey, entry.key + ("=" + settings.*entry.member), ConfFileIV()) + "\r\n";
    conf += "\r\n";

    WriteFileAtomically(folder / kDatFileName, dat, kOwnerOnly);
    WriteFileAtomically(folder / kConfFileName, conf, kOwnerOnly);
}
