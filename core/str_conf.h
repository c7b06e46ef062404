#pragma once

#include <string>

// Text helpers for the work table's rows. Rows are UTF-8 byte strings whose fields each end
// in ";"; neither ";" nor "&" can occur inside a multi-byte UTF-8 character, so plain byte
// searches are exact.

// Field n (counted from 1) of text: the bytes between the (n-1)-th and the n-th separator.
// Empty when the text holds fewer than n separators, so a trailing part without its closing
// separator is never a field.
std::string str_field(const std::string& text, const std::string& separator, int n);

// text with every occurrence of search replaced, left to right and without overlap; the
// replacement is never searched again. An empty search text changes nothing.
std::string str_replace(const std::string& text, const std::string& search,
                        const std::string& replacement);
