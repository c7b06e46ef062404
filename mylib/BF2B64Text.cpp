#include "mylib/BF2B64Text.h"

#include "mylib/BlowFish.h"
#include "mylib/CryptUtils.h"

#include <array>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::array<std::uint8_t, 8> ivBytes(std::int64_t iv) {
    std::array<std::uint8_t, 8> bytes{};
    const std::uint64_t value = std::uint64_t(iv);
    for (int i = 0; i < 8; ++i)
        bytes[std::size_t(i)] = std::uint8_t(value >> (8 * i));
    return bytes;
}

TCryptCBC makeCrypt(const std::string& key, std::int64_t iv) {
    const std::array<std::uint8_t, 8> vector = ivBytes(iv);
    return TCryptCBC(key, new TBlowFish, vector.data(), int(vector.size()), padCount, true);
}

std::uint32_t sextet(char c) {
    if (c >= 'A' && c <= 'Z')
        return std::uint32_t(c - 'A');
    if (c >= 'a' && c <= 'z')
        return std::uint32_t(c - 'a' + 26);
    if (c >= '0' && c <= '9')
        return std::uint32_t(c - '0' + 52);
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0;
}

const std::uint8_t* bytesOf(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

} // namespace

std::string EncryptText(const std::string& key, const std::string& plainText, std::int64_t iv) {
    TCryptCBC crypt = makeCrypt(key, iv);
    std::string cipher(std::size_t(crypt.OutputSize(std::ptrdiff_t(plainText.size()))), '\0');
    const std::ptrdiff_t written =
        crypt.Encrypt(bytesOf(plainText), reinterpret_cast<std::uint8_t*>(cipher.data()),
                      std::ptrdiff_t(plainText.size()));
    cipher.resize(std::size_t(written));
    return EncodeBase64(cipher);
}

std::string DecryptText(const std::string& key, const std::string& cipherText, std::int64_t iv) {
    const std::string cipher = DecodeBase64(cipherText);
    TCryptCBC crypt = makeCrypt(key, iv);
    std::string plain(std::size_t(crypt.OutputSize(std::ptrdiff_t(cipher.size()))), '\0');
    const std::ptrdiff_t kept =
        crypt.Decrypt(bytesOf(cipher), reinterpret_cast<std::uint8_t*>(plain.data()),
                      std::ptrdiff_t(cipher.size()));
    plain.resize(kept > 0 ? std::size_t(kept) : 0);
    return plain;
}

std::string EncodeBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    const std::uint8_t* data = bytesOf(bytes);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group =
            std::uint32_t(data[i]) << 16 | std::uint32_t(data[i + 1]) << 8 | data[i + 2];
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += kAlphabet[(group >> 6) & 63];
        text += kAlphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t(data[i]) << 16;
        if (rest == 2)
            group |= std::uint32_t(data[i + 1]) << 8;
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::string DecodeBase64(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
        const std::uint32_t group = sextet(text[i]) << 18 | sextet(text[i + 1]) << 12 |
                                    sextet(text[i + 2]) << 6 | sextet(text[i + 3]);
        const int count = text[i + 2] == '=' ? 1 : text[i + 3] == '=' ? 2 : 3;
        bytes += char(group >> 16);
        if (count > 1)
            bytes += char((group >> 8) & 0xFF);
        if (count > 2)
            bytes += char(group & 0xFF);
    }
    return bytes;
}
