#pragma once

#include <string>
#include <string_view>

// A name from a server's listing as text for rows, status texts and messages: the bytes
// themselves when they are valid UTF-8, else their decoding from Shift-JIS (code page 932),
// else the bytes with every invalid sequence replaced by U+FFFD. The raw bytes stay what is
// sent back to the server.
std::string NameFromServer(std::string_view raw);
