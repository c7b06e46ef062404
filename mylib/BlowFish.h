#pragma once

#include "mylib/CryptUtils.h"

#include <array>
#include <cstdint>
#include <string>

// The published Blowfish block cipher: 64-bit blocks, 16 rounds, keys of 1 to 72 bytes
// (longer keys are accepted; only their first 72 bytes take effect).
class TBlowFish final : public TCipher {
public:
    TBlowFish() = default;

    std::string GetName() const override;
    int BlockSize() const override;
    // Throws std::invalid_argument for an empty key.
    void SetKey(const std::uint8_t* key, int keyLen) override;
    // The internal form is two native 32-bit words, each loaded big-endian from 4 bytes.
    void EncipherInternal(const std::uint8_t* src, std::uint8_t* dst) override;
    void DecipherInternal(const std::uint8_t* src, std::uint8_t* dst) override;
    void FromInternal(const std::uint8_t* src, std::uint8_t* dst) override;
    void ToInternal(const std::uint8_t* src, std::uint8_t* dst) override;

private:
    using SBoxes = std::array<std::array<std::uint32_t, 256>, 4>;
    static std::uint32_t F(const SBoxes& s, std::uint32_t x);
    void Encipher(std::uint32_t& left, std::uint32_t& right) const;

    std::array<std::uint32_t, 18> P{};
    SBoxes S{};
};
