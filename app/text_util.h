#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Byte-wise text helpers shared by every subsystem. Texts are UTF-8; the helpers touch ASCII
// bytes only, so multi-byte characters pass unchanged.

// text without blanks, tabs and carriage returns at either end.
std::string_view Trimmed(std::string_view text);

// True when a and b differ at most in the letter case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// text with every occurrence of search replaced, left to right and without overlap; the
// replacement is never searched again. An empty search text changes nothing.
std::string ReplaceAll(std::string text, std::string_view search, std::string_view replacement);

// The lines of text, split at CR LF, CR and LF; a final line break ends the last line rather
// than starting an empty one.
std::vector<std::string> SplitLines(std::string_view text);

// The mask that stands for a password wherever one would show.
inline constexpr std::string_view kPasswordMask = "********";

// serverText with every occurrence of the exact secret replaced by kPasswordMask. Only texts
// that came from a server are masked; the program's own texts never hold the password.
std::string MaskSecret(std::string serverText, std::string_view secret);

// A text from a server as it may be shown on a terminal or in a message box: every control
// character other than the line breaks "\r" and "\n" written as "%XX", so that a reply can
// neither drive a terminal nor garble a label.
std::string EscapeControls(std::string_view serverText);

// pattern with "%1" to "%9" replaced by the values in their order, in one pass, so that a value
// holding "%2" is never filled in again; a marker without a value stays as it is.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values);
