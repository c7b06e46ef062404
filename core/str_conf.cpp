#include "core/str_conf.h"

std::string str_field(const std::string& text, const std::string& separator, int n) {
    if (separator.empty() || n < 1)
        return {};
    std::string::size_type start = 0;
    for (int field = 1;; ++field) {
        const auto end = text.find(separator, start);
        if (end == std::string::npos)
            return {};
        if (field == n)
            return text.substr(start, end - start);
        start = end + separator.size();
    }
}

std::string str_replace(const std::string& text, const std::string& search,
                        const std::string& replacement) {
    if (search.empty())
        return text;
    std::string result;
    result.reserve(text.size());
    std::string::size_type start = 0;
    for (;;) {
        const auto hit = text.find(search, start);
        if (hit == std::string::npos)
            break;
        result.append(text, start, hit - start);
        result += replacement;
        start = hit + search.size();
    }
    result.append(text, start, std::string::npos);
    return result;
}
