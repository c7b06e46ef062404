#pragma once

#include <ctime>
#include <filesystem>
#include <string>

// Sets the modification time of path (a link itself, not what it points to); throws
// std::runtime_error when that fails.
void SetModified(const std::filesystem::path& path, std::time_t when);

// A file at path holding text, its folders made, modified at when.
void MakeFile(const std::filesystem::path& path, std::time_t when,
              const std::string& text = "<html></html>");
