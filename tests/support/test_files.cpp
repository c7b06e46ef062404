#include "support/test_files.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>

#include "core/file_io.h"

namespace fs = std::filesystem;

void SetModified(const fs::path& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the time of " + path.string() + ": " +
                                 std::strerror(errno));
}

void MakeFile(const fs::path& path, std::time_t when, const std::string& text) {
    fs::create_directories(path.parent_path());
    WriteFileAtomically(path, text);
    SetModified(path, when);
}
