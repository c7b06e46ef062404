#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "core/file_io.h"
#include "mylib/BF2B64Text.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace {

// Two folders made once per run, on a memory file system when there is one.
fs::path makeFolder() {
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "sw_fuzz_settings_XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

struct Folders {
    fs::path input = makeFolder();
    fs::path output = makeFolder();
    ~Folders() {
        std::error_code error;
        fs::remove_all(input, error);
        fs::remove_all(output, error);
    }
};

// Each line of text enciphered as the program writes it.
std::string encipherLines(std::string_view text, std::int64_t iv) {
    std::string file;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        file += EncryptText("QZV", std::string(text.substr(0, end)), iv) + "\r\n";
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return file;
}

template <std::size_t N>
bool isItem(const std::string& value, const std::array<std::string_view, N>& items) {
    return std::find(items.begin(), items.end(), value) != items.end();
}

template <std::size_t N>
bool isItemOrNone(const std::string& value, const std::array<std::string_view, N>& items) {
    return value.empty() || isItem(value, items);
}

bool sameStored(const SiteSettings& a, const SiteSettings& b) {
    return a.web_url == b.web_url && a.hostname == b.hostname && a.username == b.username &&
           a.password == b.password && a.site_root == b.site_root && a.ext_list == b.ext_list &&
           a.changefreq == b.changefreq && a.priority == b.priority && a.offset_1 == b.offset_1 &&
           a.offset_2 == b.offset_2 && a.offset_3 == b.offset_3 && a.offset_4 == b.offset_4;
}

} // namespace

// Input: one byte choosing raw files or plain lines that the target enciphers (so that the
// fuzzer reaches the "key=value" handling), two bytes giving config_v1.dat's share, then the
// bytes of config_v1.dat followed by those of config_v1.conf.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folders folders;
    if (size < 3)
        return 0;
    const bool plain = data[0] & 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const std::size_t datSize = (std::size_t(data[1]) << 8 | data[2]) % (rest.size() + 1);
    std::string dat(rest.substr(0, datSize));
    std::string conf(rest.substr(datSize));
    if (plain) {
        dat = encipherLines(dat, DatFileIV);
        conf = encipherLines(conf, ConfFileIV());
    }
    WriteFileAtomically(folders.input / "config_v1.dat", dat);
    WriteFileAtomically(folders.input / "config_v1.conf", conf);

    SiteSettings loaded;
    try {
        LoadSettings(folders.input, loaded);
    } catch (const FileError&) {
        // A line that does not decode to whole blocks (SettingsDamaged), or a file beyond the
        // size bound, stops the load; what came before stays.
    }
    // The lists hold one of their items; an offset may also hold no selection.
    if (!isItem(loaded.changefreq, kChangefreqItems) || !isItem(loaded.priority, kPriorityItems) ||
        !isItemOrNone(loaded.offset_1, kOffset1Items) ||
        !isItemOrNone(loaded.offset_2, kOffset2Items) ||
        !isItemOrNone(loaded.offset_3, kOffset3Items) ||
        !isItemOrNone(loaded.offset_4, kOffset4Items))
        __builtin_trap();

    // Whatever was loaded is saved and loaded back unchanged.
    SaveSettings(folders.output, loaded);
    SiteSettings again;
    LoadSettings(folders.output, again);
    if (!sameStored(loaded, again))
        __builtin_trap();
    return 0;
}
