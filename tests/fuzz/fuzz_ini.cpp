#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ini_file.h"

// Input: the text of a window geometry file as a user or a crash may have left it. Reading the
// four keys never fails, and writing one keeps every other line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile file(text);
    for (const char* key : {"Top", "Left", "Width", "Height"})
        file.readInteger("site_wright", key, -1);

    IniFile written(text);
    written.writeInteger("site_wright", "Width", 1234);
    if (written.readInteger("site_wright", "width", 0) != 1234)
        __builtin_trap();
    if (IniFile(written.text()).readInteger("SITE_WRIGHT", "WIDTH", 0) != 1234)
        __builtin_trap();
    return 0;
}
