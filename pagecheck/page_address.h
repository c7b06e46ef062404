#pragma once

#include <string>
#include <string_view>

// The address in the one form two ways of writing it share, for comparing: scheme and host in
// lower case, the scheme's default port left out, an empty path written "/", dot segments
// removed, percent escapes in upper case and those of unreserved characters decoded, the
// fragment dropped. Empty when address is no absolute http or https URL.
std::string NormalAddress(std::string_view address);

// reference (absolute, or relative as a canonical link may be) resolved against the address
// of the page that holds it, then in its normal form.
std::string NormalAddress(std::string_view reference, std::string_view page);
