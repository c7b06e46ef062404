#pragma once

#include <string>

// The five fields of a work-table row, only while a row is being built; rows themselves are
// kept and passed as their text.
struct UrlEntryFields {
    std::string link; // folder URL ending in "/"
    std::string filename;
    std::string lastmod;
    std::string changefreq;
    std::string priority;
};

// The row text: each field followed by ";".
std::string BuildUrlEntry(const UrlEntryFields& fields);

// The fields of a row text, read with str_field.
UrlEntryFields ReadUrlEntry(const std::string& row);

// True when a field holds the row separator ";", which the row text cannot carry.
bool HasSeparatorInField(const UrlEntryFields& fields);
