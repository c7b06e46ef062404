#pragma once

#include <string>

// What the page check says of one address.
enum class Verdict {
    Indexable,          // 2xx without noindex, canonical here
    NotFound,           // 404, 410
    Redirected,         // 3xx other than 304: target holds where to
    NoIndex,            // meta robots/googlebot or X-Robots-Tag for all robots or Googlebot
    CanonicalElsewhere, // link rel=canonical names another address: target holds it
    NotModified,        // 304 to a conditional request: the previous verdict holds
    Unreachable,        // unknown (cause says why): never held against the page
    VerificationFile,   // by name, without a request: a search engine's ownership proof
    ErrorDocument,      // by name, without a request: named by the site root's .htaccess
};

// Why an address could not be judged.
enum class Unknown {
    None,
    ServerError, // 5xx
    Refused,     // another status that says nothing of the page (401, 403, 429, ...)
    TimedOut,    // the request's or the whole check's time ran out
    Network,     // no answer: refused connection, unknown host, broken transfer, no HTTP address
    Certificate, // the site's certificate failed verification (reported once per site)
    Stopped,     // the check was stopped first
};

// True for the verdicts that keep a page out of the sitemap. Unreachable and NotModified say
// nothing new of the page and leave it as it was.
bool LeavesSitemap(Verdict verdict);

// What the site memory keeps of a page between checks. Empty fields are not known.
struct Validators {
    std::string etag;           // the ETag header as served, quotes and W/ kept
    std::string lastModified;   // the Last-Modified header as served
    std::string bodySha256;     // lower-case hex SHA-256 of the whole body as served
    std::string lastmodWritten; // the lastmod the sitemap last gave the page
};

// One address to check, with what the memory kept of it from the last check.
struct PageToCheck {
    std::string address; // absolute http(s) URL
    Validators previous;
};

// The outcome for one address.
struct PageVerdict {
    std::string address;
    Verdict verdict = Verdict::Unreachable;
    Unknown cause = Unknown::None; // set for Unreachable only
    int status = 0;                // the HTTP status; 0 when there was no answer
    std::string target;            // Redirected, CanonicalElsewhere: the address pointed to
    // What to keep for the next check: those served now, or the previous ones where the page
    // was not served anew (304 keeps them, updated by the validators it sends; no answer keeps
    // them as they were). lastmodWritten is passed through: the caller decides the lastmod.
    Validators validators;
};
