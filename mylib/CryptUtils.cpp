#include "mylib/CryptUtils.h"

#include <algorithm>
#include <cstring>

namespace {

// Reported as the source of the framework's assertion failures.
const char* const kSourceName = "mylib\\CryptUtils";
// The line numbers the failures have always reported; callers and users know them by these.
constexpr int kDecryptAssertLine = 315;
constexpr int kEncryptAssertLine = 323;

} // namespace

EAssertionFailed::EAssertionFailed(const std::string& text, const std::string& source, int line)
    : std::logic_error(text + " (" + source + ", " + std::to_string(line) + " 行)") {}

void XorBuffer(std::uint8_t* dst, const std::uint8_t* src, std::ptrdiff_t count) {
    for (std::ptrdiff_t i = 0; i < count; ++i)
        dst[i] ^= src[i];
}

void TCipher::SetKey(const std::uint8_t*, int) {}

void TCipher::FromInternal(const std::uint8_t* src, std::uint8_t* dst) {
    std::memmove(dst, src, std::size_t(BlockSize()));
}

void TCipher::ToInternal(const std::uint8_t* src, std::uint8_t* dst) {
    std::memmove(dst, src, std::size_t(BlockSize()));
}

void TCipher::EncipherBlock(const std::uint8_t* src, std::uint8_t* dst) {
    ToInternal(src, dst);
    EncipherInternal(dst, dst);
    FromInternal(dst, dst);
}

void TCipher::DecipherBlock(const std::uint8_t* src, std::uint8_t* dst) {
    ToInternal(src, dst);
    DecipherInternal(dst, dst);
    FromInternal(dst, dst);
}

TCrypt::TCrypt(const std::uint8_t* key, int keyLen, TCipher* cipher, const std::uint8_t* iv,
               int ivLen, TPaddingMode padding, bool ownsCipher)
    : ownedCipher_(ownsCipher ? cipher : nullptr), Padding(padding), Cipher(cipher) {
    Cipher->SetKey(key, keyLen);
    const std::size_t blockSize = std::size_t(Cipher->BlockSize());
    IV.assign(blockSize, 0);
    Chain.assign(blockSize, 0);
    Scratch.assign(blockSize, 0);
    if (iv && ivLen > 0)
        std::memcpy(IV.data(), iv, std::min(blockSize, std::size_t(ivLen)));
}

TCrypt::TCrypt(const std::string& key, TCipher* cipher, const std::uint8_t* iv, int ivLen,
               TPaddingMode padding, bool ownsCipher)
    : TCrypt(reinterpret_cast<const std::uint8_t*>(key.data()), int(key.size()), cipher, iv, ivLen,
             padding, ownsCipher) {}

void TCrypt::InitEncrypt() {
    ResetChain();
}

void TCrypt::InitDecrypt() {
    ResetChain();
}

int TCrypt::Pad(std::uint8_t* buf, int count, bool encrypting) {
    const int blockSize = BlockSize();
    if (encrypting) {
        switch (Padding) {
        case padCount:
            std::memset(buf + count, blockSize - count, std::size_t(blockSize - count));
            break;
        case padBit:
            buf[count] = 0x80;
            std::memset(buf + count + 1, 0x00, std::size_t(blockSize - count - 1));
            break;
        case padZero:
            std::memset(buf + count, 0x00, std::size_t(blockSize - count));
            break;
        case padSpace:
            std::memset(buf + count, 0x20, std::size_t(blockSize - count));
            break;
        case padNone:
            return 0;
        }
        return blockSize - count;
    }

    // Decrypting: buf is the last deciphered block and count the block size.
    switch (Padding) {
    case padCount:
        return buf[count - 1];
    case padBit: {
        int i = count - 1;
        while (i >= 0 && buf[i] == 0x00)
            --i;
        if (i < 0 || buf[i] != 0x80)
            throw ECryptError("Crypt Error");
        return count - i;
    }
    case padZero:
    case padSpace: {
        const std::uint8_t padByte = Padding == padZero ? 0x00 : 0x20;
        int found = 0;
        while (found < count && buf[count - 1 - found] == padByte)
            ++found;
        return found;
    }
    case padNone:
        break;
    }
    return 0;
}

int TCrypt::BlockSize() const {
    return Cipher->BlockSize();
}

std::ptrdiff_t TCrypt::OutputSize(std::ptrdiff_t count) const {
    if (Padding == padNone)
        return count;
    const std::ptrdiff_t blockSize = BlockSize();
    return (count + blockSize) / blockSize * blockSize;
}

std::ptrdiff_t TCrypt::Encrypt(const std::uint8_t* src, std::uint8_t* dst, std::ptrdiff_t count) {
    const std::ptrdiff_t blockSize = BlockSize();
    if (Padding == padNone && count % blockSize != 0)
        throw EAssertionFailed("Assertion failure", kSourceName, kEncryptAssertLine);
    InitEncrypt();
    const std::ptrdiff_t result = OutputSize(count);
    const std::ptrdiff_t wholeBlocks = count / blockSize;
    for (std::ptrdiff_t i = 0; i < wholeBlocks; ++i)
        EncryptBlock(src + i * blockSize, dst + i * blockSize);
    if (Padding != padNone) {
        const std::ptrdiff_t offset = wholeBlocks * blockSize;
        const int rest = int(count - offset);
        if (rest > 0)
            std::memmove(dst + offset, src + offset, std::size_t(rest));
        Pad(dst + offset, rest, true);
        EncryptBlock(dst + offset, dst + offset);
    }
    return result;
}

std::ptrdiff_t TCrypt::Decrypt(const std::uint8_t* src, std::uint8_t* dst, std::ptrdiff_t count) {
    const std::ptrdiff_t blockSize = BlockSize();
    if (count % blockSize != 0)
        throw EAssertionFailed("Assertion failure", kSourceName, kDecryptAssertLine);
    InitDecrypt();
    for (std::ptrdiff_t i = 0; i < count / blockSize; ++i)
        DecryptBlock(src + i * blockSize, dst + i * blockSize);
    if (count == 0)
        return 0;
    if (Padding == padNone)
        return count;
    return count - Pad(dst + count - blockSize, int(blockSize), false);
}

void TCrypt::ResetChain() {
    Chain = IV;
}

void TCryptCBC::EncryptBlock(const std::uint8_t* src, std::uint8_t* dst) {
    const std::size_t blockSize = Chain.size();
    XorBuffer(Chain.data(), src, std::ptrdiff_t(blockSize));
    Cipher->EncipherBlock(Chain.data(), Chain.data());
    std::memcpy(dst, Chain.data(), blockSize);
}

void TCryptCBC::DecryptBlock(const std::uint8_t* src, std::uint8_t* dst) {
    const std::size_t blockSize = Chain.size();
    // Keep the cipher block first: src and dst may be the same buffer.
    std::memcpy(Scratch.data(), src, blockSize);
    Cipher->DecipherBlock(src, dst);
    XorBuffer(dst, Chain.data(), std::ptrdiff_t(blockSize));
    Chain = Scratch;
}
