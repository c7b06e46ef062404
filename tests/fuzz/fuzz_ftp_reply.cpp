#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ftp/ftp_client.h"

// Input: one byte giving the size of the pieces in which the bytes arrive (1 to 255, or 0 for
// as many as the reader asks for), then what the server sends on the control connection. Every
// reply is read as the client reads it and interpreted as a PASV, an EPSV, a PWD and a FEAT
// reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t piece = data[0];
    const char* next = reinterpret_cast<const char*>(data + 1);
    std::size_t left = size - 1;
    FtpReplyReader reader([&](char* buffer, std::size_t wanted) {
        std::size_t count = std::min(wanted, left);
        if (piece > 0)
            count = std::min(count, piece);
        std::memcpy(buffer, next, count);
        next += count;
        left -= count;
        return count;
    });

    for (;;) {
        FtpReply reply;
        try {
            reply = reader.Read();
        } catch (const EIdSocketError&) {
            break; // the end of the bytes, or a reply beyond the limit
        }
        if (reply.code < 0 || reply.code > 999 || reply.lines.empty())
            __builtin_trap();
        std::size_t total = 0;
        for (const std::string& line : reply.lines) {
            if (line.empty() || line.size() > 16384)
                __builtin_trap();
            total += line.size();
        }
        if (total > (1u << 20))
            __builtin_trap();
        // Every piece says whether the next continues its line; the last one ends it.
        if (reply.continued.size() != reply.lines.size() || reply.continued.back())
            __builtin_trap();
        // What the user is shown holds no control character but the line breaks.
        for (const char c : reply.Shown("e")) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && c != '\n' && c != '\r') || byte == 0x7f)
                __builtin_trap();
        }
        try {
            const PassiveAddress address = ParsePassiveAddress(reply.lines.front());
            if (address.port == 0 || address.host.size() < 7 || address.host.size() > 15)
                __builtin_trap();
        } catch (const EIdException&) {
        }
        try {
            if (ParseExtendedPassivePort(reply.lines.front()) == 0)
                __builtin_trap();
        } catch (const EIdException&) {
        }
        try {
            ParseFolderReply(reply.lines.front());
        } catch (const EIdException&) {
        }
        // Features only from a 211, each from a line between the first and the last; the facts
        // MLSD sends unasked are among those MLST names, lower case.
        const FtpFeatures features = ParseFeatures(reply);
        if (features.listed != (reply.code == 211) || features.lines.size() > reply.lines.size())
            __builtin_trap();
        for (const std::string& fact : features.mlstDefaultFacts) {
            if (std::find(features.mlstFacts.begin(), features.mlstFacts.end(), fact) ==
                features.mlstFacts.end())
                __builtin_trap();
        }
        for (const std::string& fact : features.mlstFacts) {
            if (fact.empty() ||
                fact.find_first_of(";ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos)
                __builtin_trap();
        }
    }
    return 0;
}
