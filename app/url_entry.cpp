#include "app/url_entry.h"

#include "app/str_conf.h"

std::string BuildUrlEntry(const UrlEntryFields& fields) {
    std::string row;
    row.reserve(fields.link.size() + fields.filename.size() + fields.lastmod.size() +
                fields.changefreq.size() + fields.priority.size() + 5);
    for (const std::string* field :
         {&fields.link, &fields.filename, &fields.lastmod, &fields.changefreq, &fields.priority}) {
        row += *field;
        row += ';';
    }
    return row;
}

UrlEntryFields ReadUrlEntry(const std::string& row) {
    return {str_field(row, ";", 1), str_field(row, ";", 2), str_field(row, ";", 3),
            str_field(row, ";", 4), str_field(row, ";", 5)};
}

bool HasSeparatorInField(const UrlEntryFields& fields) {
    for (const std::string* field :
         {&fields.link, &fields.filename, &fields.lastmod, &fields.changefreq, &fields.priority}) {
        if (field->find(';') != std::string::npos)
            return true;
    }
    return false;
}
