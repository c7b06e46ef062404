#include "pagecheck/head_scan.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/text_util.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
    return result;
}

std::size_t findIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at)
        if (EqualsIgnoringCase(text.substr(at, needle.size()), needle))
            return at;
    return std::string_view::npos;
}

// The words of a list separated by blanks or by any of the extra separators.
std::vector<std::string> tokens(std::string_view list, std::string_view separators = {}) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : list) {
        if (isSpace(c) || separators.find(c) != std::string_view::npos) {
            if (!word.empty())
                words.push_back(lowered(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(lowered(word));
    return words;
}

bool holds(const std::vector<std::string>& words, std::string_view word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The character references an href is likely to hold; others stay as written.
std::string decodedReferences(std::string_view value) {
    static constexpr std::array<std::pair<std::string_view, char>, 6> kReferences{{{"&amp;", '&'},
                                                                                   {"&quot;", '"'},
                                                                                   {"&#39;", '\''},
                                                                                   {"&apos;", '\''},
                                                                                   {"&lt;", '<'},
                                                                                   {"&gt;", '>'}}};
    std::string result;
    for (std::size_t at = 0; at < value.size();) {
        const auto known = std::find_if(kReferences.begin(), kReferences.end(), [&](auto& entry) {
            return EqualsIgnoringCase(value.substr(at, entry.first.size()), entry.first);
        });
        if (value[at] == '&' && known != kReferences.end()) {
            result += known->second;
            at += known->first.size();
        } else {
            result += value[at++];
        }
    }
    return result;
}

struct Attribute {
    std::string name; // lower case
    std::string_view value;
};

// Reads the attributes of a tag from at (just after its name) to its '>'. Returns the offset
// after the '>', or npos when html ends first.
std::size_t readAttributes(std::string_view html, std::size_t at, std::vector<Attribute>& out) {
    const std::size_t size = html.size();
    while (at < size) {
        while (at < size && (isSpace(html[at]) || html[at] == '/'))
            ++at;
        if (at >= size)
            break;
        if (html[at] == '>')
            return at + 1;
        const std::size_t nameStart = at;
        while (at < size && !isSpace(html[at]) && html[at] != '=' && html[at] != '>' &&
               html[at] != '/')
            ++at;
        Attribute attribute{lowered(html.substr(nameStart, at - nameStart)), {}};
        while (at < size && isSpace(html[at]))
            ++at;
        if (at < size && html[at] == '=') {
            ++at;
            while (at < size && isSpace(html[at]))
                ++at;
            if (at < size && (html[at] == '"' || html[at] == '\'')) {
                const std::size_t close = html.find(html[at], at + 1);
                if (close == std::string_view::npos)
                    return std::string_view::npos;
                attribute.value = html.substr(at + 1, close - at - 1);
                at = close + 1;
            } else {
                const std::size_t valueStart = at;
                while (at < size && !isSpace(html[at]) && html[at] != '>')
                    ++at;
                attribute.value = html.substr(valueStart, at - valueStart);
            }
        }
        out.push_back(std::move(attribute));
    }
    return std::string_view::npos;
}

std::string_view valueOf(const std::vector<Attribute>& attributes, std::string_view name) {
    for (const Attribute& attribute : attributes)
        if (attribute.name == name)
            return attribute.value;
    return {};
}

void takeTag(std::string_view name, const std::vector<Attribute>& attributes, HeadFacts& facts) {
    if (name == "meta") {
        const std::string robot = lowered(Trimmed(valueOf(attributes, "name")));
        if (robot != "robots" && robot != "googlebot")
            return;
        const auto directives = tokens(valueOf(attributes, "content"), ",");
        if (holds(directives, "noindex") || holds(directives, "none"))
            facts.noindex = true;
    } else if (name == "link" && facts.canonical.empty()) {
        if (holds(tokens(valueOf(attributes, "rel")), "canonical"))
            facts.canonical = std::string(Trimmed(decodedReferences(valueOf(attributes, "href"))));
    }
}

} // namespace

HeadFacts ScanHead(std::string_view html) {
    HeadFacts facts;
    std::vector<Attribute> attributes;
    std::size_t at = 0;
    while ((at = html.find('<', at)) != std::string_view::npos) {
        if (html.substr(at, 4) == "<!--") {
            const std::size_t end = html.find("-->", at + 4);
            if (end == std::string_view::npos)
                break;
            at = end + 3;
            continue;
        }
        std::size_t nameStart = at + 1;
        const bool closing = nameStart < html.size() && html[nameStart] == '/';
        if (closing)
            ++nameStart;
        std::size_t nameEnd = nameStart;
        while (nameEnd < html.size() && isNameChar(html[nameEnd]))
            ++nameEnd;
        const std::string name = lowered(html.substr(nameStart, nameEnd - nameStart));
        if (name.empty()) { // a stray '<', a doctype, a processing instruction
            ++at;
            continue;
        }
        if ((closing && name == "head") || (!closing && name == "body")) {
            facts.ended = true;
            break;
        }
        attributes.clear();
        const std::size_t after = readAttributes(html, nameEnd, attributes);
        if (after == std::string_view::npos)
            break;
        if (!closing)
            takeTag(name, attributes, facts);
        at = after;
        if (!closing && (name == "script" || name == "style")) {
            at = findIgnoringCase(html, "</" + name, at);
            if (at == std::string_view::npos)
                break;
        }
    }
    return facts;
}

bool RobotsHeaderForbidsIndexing(std::string_view value) {
    // Directives that carry a value after a colon; any other word before a colon names a robot.
    static constexpr std::array<std::string_view, 4> kValued{
        "unavailable_after", "max-snippet", "max-image-preview", "max-video-preview"};
    std::string robot; // empty: every robot
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(',', start);
        if (end == std::string_view::npos)
            end = value.size();
        std::string_view part = Trimmed(value.substr(start, end - start));
        start = end + 1;
        const std::size_t colon = part.find(':');
        if (colon != std::string_view::npos) {
            const std::string head = lowered(Trimmed(part.substr(0, colon)));
            const bool isRobot = !head.empty() && head.find(' ') == std::string::npos &&
                                 std::find(kValued.begin(), kValued.end(), head) == kValued.end();
            if (isRobot) {
                robot = head;
                part = Trimmed(part.substr(colon + 1));
            }
        }
        const std::string directive = lowered(part);
        if ((directive == "noindex" || directive == "none") &&
            (robot.empty() || robot == "googlebot"))
            return true;
    }
    return false;
}
