#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A broken precondition of the cipher framework. The text reads like the runtime's own
// assertion report: "Assertion failure (mylib\CryptUtils, 315 行)".
class EAssertionFailed final : public std::logic_error {
public:
    EAssertionFailed(const std::string& text, const std::string& source, int line);
};

// Deciphered padding that does not have the form its mode requires.
class ECryptError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sets dst[i] to dst[i] xor src[i] for i from 0 to count - 1.
void XorBuffer(std::uint8_t* dst, const std::uint8_t* src, std::ptrdiff_t count);

// An abstract block cipher. Blocks are BlockSize() bytes; src and dst may be the same buffer.
// The "internal form" is whatever representation the cipher computes on (for example words).
class TCipher {
public:
    TCipher() = default;
    virtual ~TCipher() = default;
    TCipher(const TCipher&) = delete;
    TCipher& operator=(const TCipher&) = delete;

    virtual std::string GetName() const = 0;
    virtual int BlockSize() const = 0;
    virtual void SetKey(const std::uint8_t* key, int keyLen);
    virtual void EncipherInternal(const std::uint8_t* src, std::uint8_t* dst) = 0;
    virtual void DecipherInternal(const std::uint8_t* src, std::uint8_t* dst) = 0;
    virtual void FromInternal(const std::uint8_t* src, std::uint8_t* dst);
    virtual void ToInternal(const std::uint8_t* src, std::uint8_t* dst);

    void EncipherBlock(const std::uint8_t* src, std::uint8_t* dst);
    void DecipherBlock(const std::uint8_t* src, std::uint8_t* dst);
};

// How the last block is filled. The values are those of the stored mode byte.
enum TPaddingMode : std::uint8_t {
    padCount = 0, // every pad byte holds the number of pad bytes (PKCS #7)
    padBit = 1,   // 0x80, then 0x00
    padZero = 2,  // 0x00
    padSpace = 3, // 0x20
    padNone = 4,  // no padding; data must be whole blocks
};

// An abstract cipher mode running a TCipher over whole buffers. Every Encrypt and Decrypt
// starts afresh from the initialisation vector.
class TCrypt {
public:
    // iv supplies min(BlockSize, ivLen) bytes; a shorter IV is extended with zero bytes.
    // When ownsCipher is true the mode deletes cipher when it is destroyed.
    TCrypt(const std::uint8_t* key, int keyLen, TCipher* cipher, const std::uint8_t* iv, int ivLen,
           TPaddingMode padding, bool ownsCipher);
    // The same with the key's bytes taken from a text.
    TCrypt(const std::string& key, TCipher* cipher, const std::uint8_t* iv, int ivLen,
           TPaddingMode padding, bool ownsCipher);
    virtual ~TCrypt() = default;
    TCrypt(const TCrypt&) = delete;
    TCrypt& operator=(const TCrypt&) = delete;

    virtual void EncryptBlock(const std::uint8_t* src, std::uint8_t* dst) = 0;
    virtual void DecryptBlock(const std::uint8_t* src, std::uint8_t* dst) = 0;
    virtual void InitEncrypt();
    virtual void InitDecrypt();
    // Encrypting: fills bytes count..B-1 of the last block and returns the pad byte count.
    // Decrypting (count = B): returns the number of pad bytes found at the block's end.
    virtual int Pad(std::uint8_t* buf, int count, bool encrypting);

    int BlockSize() const;
    // Size of the enciphered form of count bytes: count itself without padding, otherwise the
    // next multiple of the block size strictly above count.
    std::ptrdiff_t OutputSize(std::ptrdiff_t count) const;
    // Enciphers count bytes; dst needs OutputSize(count) bytes and may equal src. Returns the
    // number of bytes written.
    std::ptrdiff_t Encrypt(const std::uint8_t* src, std::uint8_t* dst, std::ptrdiff_t count);
    // Deciphers count bytes (whole blocks) into dst, which may equal src. Returns count minus
    // the pad bytes; with count padding that number is unchecked and may be negative.
    std::ptrdiff_t Decrypt(const std::uint8_t* src, std::uint8_t* dst, std::ptrdiff_t count);
    void ResetChain();

protected:
    // Holds the cipher when the mode owns it, so that it goes with the mode.
    std::unique_ptr<TCipher> ownedCipher_;
    TPaddingMode Padding;
    TCipher* Cipher;
    std::vector<std::uint8_t> IV;
    std::vector<std::uint8_t> Chain;   // the chaining register
    std::vector<std::uint8_t> Scratch; // room for one block
};

// Cipher block chaining: C[i] = E(P[i] xor C[i - 1]) with C[-1] = IV.
class TCryptCBC final : public TCrypt {
public:
    using TCrypt::TCrypt;

    void EncryptBlock(const std::uint8_t* src, std::uint8_t* dst) override;
    void DecryptBlock(const std::uint8_t* src, std::uint8_t* dst) override;
};
