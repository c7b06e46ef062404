#include "jobs/walk_names.h"

#include "core/text_util.h"

namespace {

// "." or ".." as a path step, also as servers on Windows read it: blanks and dots at the end of
// a step are dropped there, so ".. " and "..." name the parent too.
bool isDotStep(std::string_view step) {
    return !step.empty() && step.find_first_not_of(". ") == std::string_view::npos;
}

} // namespace

bool BreaksCommandLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsSafeName(std::string_view name) {
    if (BreaksCommandLine(name) || name.find('/') != std::string_view::npos)
        return false;
    std::string_view rest = name;
    for (;;) {
        const std::size_t backslash = rest.find('\\');
        if (isDotStep(rest.substr(0, backslash)))
            return false;
        if (backslash == std::string_view::npos)
            return true;
        rest.remove_prefix(backslash + 1);
    }
}

bool IsIgnoredName(std::string_view name) {
    return name.empty() || name.size() > kMaxNameBytes || name == "." || name == ".." ||
           !IsSafeName(name);
}

std::string WithoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

std::string ShownName(std::string_view name) {
    return PercentEncodeUnsafe(name);
}

std::string RowName(std::string_view name) {
    return PercentEncodeUnsafe(name, ";%");
}

std::string_view ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_of("\\:", dot) != std::string_view::npos)
        return {};
    return name.substr(dot);
}

ExtensionList::ExtensionList(std::string_view text) {
    for (std::string& item : SplitList(text, ","))
        items_.insert(std::move(item));
}

bool ExtensionList::Contains(std::string_view extension) const {
    return !extension.empty() && items_.count(std::string(extension)) != 0;
}
