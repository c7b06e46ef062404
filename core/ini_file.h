#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small initialisation file: "[section]" lines and "key=value" lines. Section and key names
// match without regard to letter case. Every line that is not touched by a write, comments and
// unknown sections included, is kept exactly as it stood.
class IniFile final {
public:
    IniFile() = default;
    explicit IniFile(std::string_view text);

    // The file at path; a missing file gives an empty one. Throws FileError when it exists but
    // cannot be read.
    static IniFile Load(const std::filesystem::path& path);

    // The value of key in section, blanks around it removed; nothing when either is missing.
    std::optional<std::string> readString(std::string_view section, std::string_view key) const;

    // The value as an integer, written in decimal or with a "0x"/"0X" prefix in hexadecimal;
    // fallback when the key is missing or its value is not such an integer.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;

    // Sets key in section to value: the first line of the key is replaced, otherwise a new line
    // goes after the section's last entry, or a new section is added at the end.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);

    std::string text() const;

    // Replaces the file at path with text() as a whole; throws FileError.
    void save(const std::filesystem::path& path) const;

private:
    struct Location {
        std::size_t sectionEnd; // index after the section's last entry line
        std::optional<std::size_t> keyLine;
    };
    std::optional<Location> find(std::string_view section, std::string_view key) const;

    std::vector<std::string> lines_;
    std::string newline_ = "\n";
};

// An integer in the form IniFile reads: optional sign, then decimal digits or "0x"/"0X" and
// hexadecimal digits, within the range of int.
std::optional<int> ParseIniInteger(std::string_view text);
