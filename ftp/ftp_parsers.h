#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ftp/ftp_reply.h"

// The lines of listing bytes, split at CR LF, CR and LF, bytes unchanged. Empty lines are left
// out: they cost nothing however many a server sends.
std::vector<std::string> SplitListingLines(const std::string& bytes);
// The number of lines SplitListingLines would give, without making them.
std::size_t CountListingLines(const std::string& bytes);

// A host as the user writes it: "name", "name:port", "[v6 address]:port" or a bare IPv6
// address. Without a port, 21.
struct FtpEndpoint {
    std::string host;
    unsigned short port = 21;
};
// Raises EIdException for a port that is not a number from 1 to 65535.
FtpEndpoint ParseFtpEndpoint(const std::string& text);

// The address a PASV reply names.
struct PassiveAddress {
    std::string host; // dotted IPv4 text
    unsigned short port = 0;
};
// Reads the first line of a 227 reply: the text between the first "(" and the first ")", or
// without brackets the text after the last blank, as h1,h2,h3,h4,p1,p2. Raises EIdException,
// quoting the line, when it holds no such address.
PassiveAddress ParsePassiveAddress(const std::string& line);

// Reads the port of a 229 reply line (RFC 2428): the text between the first "(" and the next
// ")" is "<d><d><d>port<d>", d one printable character other than a digit. Raises
// EIdException, quoting the line, when it holds no port from 1 to 65535.
unsigned short ParseExtendedPassivePort(const std::string& line);

// What a server says it offers in its reply to FEAT (RFC 2389).
struct FtpFeatures {
    // False for a server that refused FEAT: it offers nothing beyond RFC 959.
    bool listed = false;
    // The feature lines between the reply's first and last line, stripped.
    std::vector<std::string> lines;
    bool utf8 = false; // "UTF8": names are UTF-8, OPTS UTF8 ON is understood
    bool epsv = false; // "EPSV"
    // The facts "MLST" names, lower case, without their "*"; mlstDefaultFacts those marked "*",
    // which MLSD sends without being asked.
    std::vector<std::string> mlstFacts;
    std::vector<std::string> mlstDefaultFacts;

    // True when folders are listed with MLSD: MLST is offered and sends "type" and "modify".
    bool Mlsd() const;
};
// The features of a reply to FEAT; a reply other than 211 lists none.
FtpFeatures ParseFeatures(const FtpReply& reply);

// Reads the folder out of a 257 reply line: the text between its first quote and the closing
// one, a doubled quote standing for one. Raises EIdException when there is no quoted folder.
std::string ParseFolderReply(const std::string& line);
