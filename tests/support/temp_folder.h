#pragma once

#include <filesystem>
#include <string>

// A fresh folder in the system's temporary folder, removed with all it holds when the object
// goes; permissions a test took away are given back first.
class TempFolder final {
public:
    explicit TempFolder(const std::string& prefix = "sw_test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};
