#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "mylib/BF2B64Text.h"
#include "mylib/CryptUtils.h"

// Input: one byte giving the key's length (1 to 64), the key, 8 bytes of initialisation value,
// then a text that is deciphered as a stored settings line and enciphered as a value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t keyLength = 1 + data[0] % 64;
    if (size < 1 + keyLength + 8)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string key(bytes + 1, keyLength);
    std::int64_t iv = 0;
    std::memcpy(&iv, bytes + 1 + keyLength, sizeof iv);
    const std::string text(bytes + 1 + keyLength + 8, size - 1 - keyLength - 8);

    const std::string decoded = DecodeBase64(text);
    const std::size_t groups = text.size() / 4;
    if (decoded.size() < groups || decoded.size() > groups * 3)
        __builtin_trap();
    if (DecodeBase64(EncodeBase64(text)) != text)
        __builtin_trap();

    try {
        const std::string plain = DecryptText(key, text, iv);
        if (decoded.size() % 8 != 0 || plain.size() > decoded.size())
            __builtin_trap();
    } catch (const EAssertionFailed&) {
        if (decoded.size() % 8 == 0)
            __builtin_trap(); // only blocks cut short are refused
    }

    const std::string stored = EncryptText(key, text, iv);
    const std::size_t cipherBytes = (text.size() / 8 + 1) * 8;
    if (stored.size() != (cipherBytes + 2) / 3 * 4 || DecryptText(key, stored, iv) != text)
        __builtin_trap();
    return 0;
}
