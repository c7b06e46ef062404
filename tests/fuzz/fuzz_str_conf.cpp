#include "core/str_conf.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Input: one byte choosing the field number, then the separator's length, then separator and
// text. Checks the invariants every caller relies on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int n = int(data[0] % 8);
    const std::size_t separatorLength = std::size_t(data[1] % 4);
    const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string separator = rest.substr(0, separatorLength);
    const std::string text = rest.substr(std::min(separatorLength, rest.size()));

    const std::string field = str_field(text, separator, n);
    if (field.size() > text.size() || (!field.empty() && text.find(field) == std::string::npos))
        __builtin_trap();

    if (separator.size() == 1 &&
        str_replace(text, separator, "").find(separator) != std::string::npos)
        __builtin_trap(); // removing a one-byte text leaves none of it
    if (str_replace(text, separator, separator) != text)
        __builtin_trap();
    return 0;
}
