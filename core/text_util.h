#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Byte-wise text helpers shared by every subsystem. Texts are UTF-8; the helpers touch ASCII
// bytes only, so multi-byte characters pass unchanged.

// text without blanks, tabs and carriage returns at either end.
std::string_view Trimmed(std::string_view text);

// True when a and b differ at most in the letter case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The parts one after the other, for texts put together from the catalogue.
std::string Concat(std::initializer_list<std::string_view> parts);

// A catalogue text with each "{name}" replaced by its value, in one pass: a value is never
// searched for placeholders, so a path holding "{line}" stays as it is. Unknown names stay.
using Placeholder = std::pair<std::string_view, std::string_view>;
std::string Filled(std::string_view text, std::initializer_list<Placeholder> values);

// The lines of text, split at CR LF, CR and LF; a final line break ends the last line rather
// than starting an empty one.
std::vector<std::string> SplitLines(std::string_view text);

// The items of a list, split at any of separators (commas and line breaks unless told), each
// trimmed, empty ones dropped.
std::vector<std::string> SplitList(std::string_view text, std::string_view separators = ",\r\n");

// The mask that stands for a password wherever one would show.
inline constexpr std::string_view kPasswordMask = "********";

// serverText with every occurrence of the exact secret replaced by kPasswordMask. Only texts
// that came from a server are masked; the program's own texts never hold the password.
std::string MaskSecret(std::string serverText, std::string_view secret);

// A text from a server as it may be shown on a terminal or in a message box: every control
// character other than the line breaks "\r" and "\n" written as "%XX", so that a reply can
// neither drive a terminal nor garble a label.
std::string EscapeControls(std::string_view serverText);

// The number of bytes (1 to 4) of the UTF-8 character text begins with, or 0 when text is
// empty or does not begin with valid UTF-8 (strict: no overlong forms, no surrogates, nothing
// beyond U+10FFFF).
std::size_t Utf8CharLength(std::string_view text);
bool IsValidUtf8(std::string_view text);

// The number of bytes of the character text begins with when it may stand in an address and
// in XML 1.0: valid UTF-8, neither a control character nor U+FFFE or U+FFFF. 0 when the first
// byte has to be written as "%XX" (the rest of a character so refused then reads as bytes that
// are no valid UTF-8, so each of its bytes is encoded in turn).
std::size_t SafeCharLength(std::string_view text);

// True when some byte of text has to be written as "%XX" (SafeCharLength is 0 there).
bool HasUnsafeCharacters(std::string_view text);

// The byte of the escape "%XX" (either case) at the start of text, or -1 when text starts with
// none.
int PercentEscapedByte(std::string_view text);

// Writes byte as "%XX" (upper-case hexadecimal) to the end of text.
void AppendPercentEncoded(std::string& text, unsigned char byte);

// text with every byte that has no place in an address or in XML 1.0 written as "%XX":
// control characters, bytes that are no valid UTF-8, the non-characters U+FFFE and U+FFFF,
// and the ASCII bytes of alsoEncoded. Other characters pass unchanged, so the text stays
// readable.
std::string PercentEncodeUnsafe(std::string_view text, std::string_view alsoEncoded = {});
