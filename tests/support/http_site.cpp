#include "support/http_site.h"

#include <vector>

HttpSite::HttpSite() {
    start(nullptr);
}

HttpSite::HttpSite(const Tls& tls) : tls_(true) {
    start(&tls);
}

void HttpSite::start(const Tls* tls) {
    std::vector<std::string> argv = {"/usr/bin/python3",
                                     std::string(SW_SUPPORT_DIR) + "/http_site.py",
                                     "--port",
                                     std::to_string(daemon_.Port()),
                                     "--log",
                                     (daemon_.Folder() / "requests.log").string()};
    if (tls)
        argv.insert(argv.end(),
                    {"--tls-cert", tls->certificate.string(), "--tls-key", tls->key.string()});
    daemon_.Start(argv, {}, [] { return std::string("see the test's output"); });
}

std::string HttpSite::Address() const {
    return (tls_ ? "https://" : "http://") + daemon_.Host() + "/";
}

std::string HttpSite::RequestLog() const {
    return FileText(daemon_.Folder() / "requests.log");
}
