#pragma once

#include <cstdint>
#include <string>

// One-line printable form of a text: its bytes enciphered with Blowfish-CBC (count padding,
// i.e. PKCS #7) and written as Base64. The initialisation vector is the 8 bytes of iv, least
// significant first. Texts are byte strings; every byte value passes through unchanged.

// key must not be empty; its bytes are the Blowfish key as they stand.
std::string EncryptText(const std::string& key, const std::string& plainText, std::int64_t iv);

// Empty when nothing can be deciphered (fewer than 4 characters). Input under another key or
// IV deciphers without error into whatever bytes result. Throws EAssertionFailed when the
// decoded bytes are not whole 8-byte blocks.
std::string DecryptText(const std::string& key, const std::string& cipherText, std::int64_t iv);

// Standard Base64, no line breaks, "=" completing the last group.
std::string EncodeBase64(const std::string& bytes);

// Lenient Base64: only complete groups of 4 characters count, characters left over are
// ignored, characters outside the alphabet (and "=") count as 0. A group gives 1 byte when its
// third character is "=", 2 when its fourth is, else 3.
std::string DecodeBase64(const std::string& text);
