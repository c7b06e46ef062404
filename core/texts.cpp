#include "core/texts.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <map>
#include <mutex>
#include <ostream>

#include <QLocale>
#include <QTranslator>

namespace texts {
namespace {

std::atomic<Language> current{Language::Japanese};

// The English words, read from the translation built into the program the first time each text
// is shown; kept for the program's lifetime, so that a text handed out never moves.
struct English {
    std::mutex mutex;
    QTranslator translator;
    bool loaded = false;
    std::map<std::string_view, std::string> words;
};

English& english() {
    static English instance;
    return instance;
}

} // namespace

Language SystemLanguage() {
    return QLocale::system().language() == QLocale::English ? Language::English
                                                            : Language::Japanese;
}

void UseLanguage(Language language) {
    if (language == Language::English) {
        English& en = english();
        const std::lock_guard lock(en.mutex);
        if (!en.loaded)
            en.loaded = en.translator.load(QStringLiteral(":/translations/site_wright_en.qm"));
    }
    current.store(language, std::memory_order_release);
}

Text::operator std::string_view() const {
    if (current.load(std::memory_order_acquire) == Language::Japanese)
        return source_;
    English& en = english();
    const std::lock_guard lock(en.mutex);
    const auto [found, fresh] = en.words.try_emplace(source_);
    if (fresh) {
        // A text the translation lacks reads as its source rather than as nothing.
        const QString word = en.translator.translate("texts", source_.data());
        found->second = word.isEmpty() ? std::string(source_) : word.toStdString();
    }
    return found->second;
}

std::ostream& operator<<(std::ostream& out, const Text& text) {
    return out << std::string_view(text);
}

std::string JoinSentences(const std::vector<std::string>& lines) {
    const bool english = current.load(std::memory_order_acquire) == Language::English;
    static constexpr std::string_view stops[] = {".",  "!",  "?",  ")",  ":", "。",
                                                 "！", "？", "）", "：", "」"};
    const auto ended = [](std::string_view text) {
        return std::any_of(std::begin(stops), std::end(stops), [&](std::string_view stop) {
            return text.size() >= stop.size() && text.substr(text.size() - stop.size()) == stop;
        });
    };
    std::string joined;
    for (const std::string& line : lines) {
        if (line.empty())
            continue;
        if (!joined.empty()) {
            if (!ended(joined))
                joined += english ? "." : "。";
            if (english)
                joined += ' ';
        }
        joined += line;
    }
    return joined;
}

} // namespace texts
