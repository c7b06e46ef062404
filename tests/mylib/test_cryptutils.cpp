#include "mylib/BlowFish.h"
#include "mylib/CryptUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// Eric Young's Blowfish test set for 8-byte keys: key, plain block, cipher block.
struct EcbVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

const EcbVector kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

class BlowFishVectors : public ::testing::TestWithParam<EcbVector> {};

Bytes encipherOnce(const Bytes& key, const Bytes& plain) {
    TBlowFish cipher;
    cipher.SetKey(key.data(), int(key.size()));
    Bytes out(8);
    cipher.EncipherBlock(plain.data(), out.data());
    return out;
}

// A CBC mode over Blowfish with key "QZV" and the given IV bytes.
TCryptCBC qzvCrypt(const Bytes& iv, TPaddingMode padding) {
    return TCryptCBC(std::string("QZV"), new TBlowFish, iv.data(), int(iv.size()), padding, true);
}

const Bytes kIv = fromHex("0102030405060708");

} // namespace

TEST_P(BlowFishVectors, EnciphersAndDeciphersTheBlock) {
    const Bytes key = fromHex(GetParam().key);
    const Bytes plain = fromHex(GetParam().plain);
    const Bytes expected = fromHex(GetParam().cipher);
    TBlowFish cipher;
    cipher.SetKey(key.data(), int(key.size()));

    Bytes out(8);
    cipher.EncipherBlock(plain.data(), out.data());
    EXPECT_EQ(out, expected);
    Bytes back(8);
    cipher.DecipherBlock(out.data(), back.data());
    EXPECT_EQ(back, plain);

    // Source and destination may be the same block.
    Bytes inPlace = plain;
    cipher.EncipherBlock(inPlace.data(), inPlace.data());
    EXPECT_EQ(inPlace, expected);
    cipher.DecipherBlock(inPlace.data(), inPlace.data());
    EXPECT_EQ(inPlace, plain);
}

INSTANTIATE_TEST_SUITE_P(PublishedEcb, BlowFishVectors, ::testing::ValuesIn(kEcbVectors));

TEST(BlowFish, NameAndBlockSize) {
    TBlowFish cipher;
    EXPECT_EQ(cipher.GetName(), "BlowFish");
    EXPECT_EQ(cipher.BlockSize(), 8);
}

TEST(BlowFish, ShortKeyIsRepeatedCyclicallyUpTo72Bytes) {
    const Bytes plain = fromHex("0011223344556677");
    std::string repeated;
    while (repeated.size() < 72)
        repeated += "QZV";
    repeated.resize(72);
    const Bytes qzv = encipherOnce(textBytes("QZV"), plain);
    EXPECT_EQ(qzv, encipherOnce(textBytes(repeated), plain));
    // Bytes beyond the 72nd take no effect; a different byte within them does.
    EXPECT_EQ(qzv, encipherOnce(textBytes(repeated + "extra"), plain));
    EXPECT_NE(qzv, encipherOnce(textBytes("QZW"), plain));
    EXPECT_NE(qzv, encipherOnce(textBytes("QZVQ"), plain));
}

TEST(BlowFish, SetKeyStartsFromTheInitialConstantsEveryTime) {
    const Bytes plain = fromHex("0123456789ABCDEF");
    TBlowFish cipher;
    const Bytes other = textBytes("another key");
    cipher.SetKey(other.data(), int(other.size()));
    const Bytes key = fromHex("FEDCBA9876543210");
    cipher.SetKey(key.data(), int(key.size()));
    Bytes out(8);
    cipher.EncipherBlock(plain.data(), out.data());
    EXPECT_EQ(out, fromHex("0ACEAB0FC6A0A28D"));
}

TEST(BlowFish, EmptyKeyIsRefused) {
    TBlowFish cipher;
    const std::uint8_t byte = 0;
    EXPECT_THROW(cipher.SetKey(&byte, 0), std::invalid_argument);
    EXPECT_THROW(TCryptCBC(std::string(), new TBlowFish, kIv.data(), 8, padCount, true),
                 std::invalid_argument);
}

TEST(CryptCBC, OutputSize) {
    TCryptCBC padded = qzvCrypt(kIv, padCount);
    TCryptCBC unpadded = qzvCrypt(kIv, padNone);
    const std::ptrdiff_t counts[] = {0, 7, 8, 9};
    const std::ptrdiff_t withPadding[] = {8, 8, 16, 16};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(padded.OutputSize(counts[i]), withPadding[i]) << counts[i];
        EXPECT_EQ(unpadded.OutputSize(counts[i]), counts[i]) << counts[i];
    }
    for (TPaddingMode mode : {padBit, padZero, padSpace})
        EXPECT_EQ(qzvCrypt(kIv, mode).OutputSize(8), 16) << int(mode);
    EXPECT_EQ(padded.BlockSize(), 8);
}

TEST(CryptCBC, EmptyInputIsOnePadBlockChainedToTheIv) {
    TCryptCBC crypt = qzvCrypt(kIv, padCount);
    Bytes out(8);
    EXPECT_EQ(crypt.Encrypt(nullptr, out.data(), 0), 8);

    Bytes expected = kIv;
    for (std::uint8_t& b : expected)
        b ^= 0x08;
    TBlowFish cipher;
    cipher.SetKey(reinterpret_cast<const std::uint8_t*>("QZV"), 3);
    cipher.EncipherBlock(expected.data(), expected.data());
    EXPECT_EQ(out, expected);
}

TEST(CryptCBC, ChainsEachBlockToThePreviousCipherBlock) {
    const Bytes plain = textBytes("sixteen byte txt");
    TCryptCBC crypt = qzvCrypt(kIv, padNone);
    Bytes out(16);
    ASSERT_EQ(crypt.Encrypt(plain.data(), out.data(), 16), 16);

    TBlowFish cipher;
    cipher.SetKey(reinterpret_cast<const std::uint8_t*>("QZV"), 3);
    Bytes block(plain.begin(), plain.begin() + 8);
    XorBuffer(block.data(), kIv.data(), 8);
    cipher.EncipherBlock(block.data(), block.data());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), block);
    Bytes second(plain.begin() + 8, plain.end());
    XorBuffer(second.data(), block.data(), 8);
    cipher.EncipherBlock(second.data(), second.data());
    EXPECT_EQ(Bytes(out.begin() + 8, out.end()), second);

    // Every call starts again from the IV.
    Bytes again(16);
    crypt.Encrypt(plain.data(), again.data(), 16);
    EXPECT_EQ(again, out);
}

TEST(CryptCBC, ShortIvIsExtendedWithZerosAndLongIvIsCut) {
    const Bytes plain = textBytes("chaining");
    const Bytes shortIv = fromHex("A1B2C3");
    const Bytes longIv = fromHex("A1B2C30000000000FFEEDDCC");
    Bytes fromShort(16), fromFull(16), fromLong(16), fromNone(16), fromZero(16);
    qzvCrypt(shortIv, padCount).Encrypt(plain.data(), fromShort.data(), 8);
    qzvCrypt(fromHex("A1B2C30000000000"), padCount).Encrypt(plain.data(), fromFull.data(), 8);
    qzvCrypt(longIv, padCount).Encrypt(plain.data(), fromLong.data(), 8);
    EXPECT_EQ(fromShort, fromFull);
    EXPECT_EQ(fromLong, fromFull);

    TCryptCBC(std::string("QZV"), new TBlowFish, nullptr, 0, padCount, true)
        .Encrypt(plain.data(), fromNone.data(), 8);
    qzvCrypt(Bytes(8, 0), padCount).Encrypt(plain.data(), fromZero.data(), 8);
    EXPECT_EQ(fromNone, fromZero);
    EXPECT_NE(fromNone, fromFull);
}

TEST(CryptCBC, EncryptAndDecryptInPlace) {
    const Bytes plain = textBytes("twenty-one bytes here");
    TCryptCBC crypt = qzvCrypt(kIv, padCount);
    Bytes separate(24);
    ASSERT_EQ(crypt.Encrypt(plain.data(), separate.data(), 21), 24);

    Bytes buffer = plain;
    buffer.resize(24);
    ASSERT_EQ(crypt.Encrypt(buffer.data(), buffer.data(), 21), 24);
    EXPECT_EQ(buffer, separate);
    ASSERT_EQ(crypt.Decrypt(buffer.data(), buffer.data(), 24), 21);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 21), plain);
}

// For each mode and each number of data bytes in the last block: the bytes the mode appends,
// as seen by deciphering without padding, and the round trip through the same mode.
TEST(CryptCBC, PaddingModesFillTheLastBlockAndRemoveItAgain) {
    struct Mode {
        TPaddingMode mode;
        std::uint8_t (*padByte)(int index, int count);
    };
    const Mode modes[] = {
        {padCount, [](int, int count) { return std::uint8_t(8 - count); }},
        {padBit, [](int index, int count) { return std::uint8_t(index == count ? 0x80 : 0x00); }},
        {padZero, [](int, int) { return std::uint8_t(0x00); }},
        {padSpace, [](int, int) { return std::uint8_t(0x20); }},
    };
    for (const Mode& m : modes) {
        for (int count = 0; count < 8; ++count) {
            SCOPED_TRACE("mode " + std::to_string(int(m.mode)) + ", " + std::to_string(count) +
                         " bytes");
            const Bytes plain = textBytes(std::string("8 bytes!abcdefg").substr(0, 8 + count));
            TCryptCBC crypt = qzvCrypt(kIv, m.mode);
            Bytes cipher(16);
            ASSERT_EQ(crypt.Encrypt(plain.data(), cipher.data(), std::ptrdiff_t(plain.size())), 16);

            Bytes raw(16);
            qzvCrypt(kIv, padNone).Decrypt(cipher.data(), raw.data(), 16);
            Bytes expected = plain;
            for (int i = count; i < 8; ++i)
                expected.push_back(m.padByte(i, count));
            EXPECT_EQ(raw, expected);

            Bytes back(16);
            EXPECT_EQ(crypt.Decrypt(cipher.data(), back.data(), 16), 8 + count);
            EXPECT_EQ(Bytes(back.begin(), back.begin() + 8 + count), plain);
        }
    }
}

TEST(CryptCBC, PadFoundWhenDecrypting) {
    TCryptCBC bit = qzvCrypt(kIv, padBit);
    Bytes block = fromHex("4142434445800000");
    EXPECT_EQ(bit.Pad(block.data(), 8, false), 3);
    block = fromHex("4142434445464780");
    EXPECT_EQ(bit.Pad(block.data(), 8, false), 1);
    block = fromHex("8000000000000000");
    EXPECT_EQ(bit.Pad(block.data(), 8, false), 8);

    TCryptCBC zero = qzvCrypt(kIv, padZero);
    block = fromHex("4100000000000000");
    EXPECT_EQ(zero.Pad(block.data(), 8, false), 7);
    block = Bytes(8, 0x00);
    EXPECT_EQ(zero.Pad(block.data(), 8, false), 8);

    TCryptCBC space = qzvCrypt(kIv, padSpace);
    block = fromHex("4120202020202041");
    EXPECT_EQ(space.Pad(block.data(), 8, false), 0);
    block = Bytes(8, 0x20);
    EXPECT_EQ(space.Pad(block.data(), 8, false), 8);

    TCryptCBC count = qzvCrypt(kIv, padCount);
    block = fromHex("41424344454647FF");
    EXPECT_EQ(count.Pad(block.data(), 8, false), 255);
}

TEST(CryptCBC, BitPaddingWithoutItsMarkerIsACryptError) {
    TCryptCBC bit = qzvCrypt(kIv, padBit);
    for (const char* hex : {"0000000000000000", "4142434445460000", "41424344454647FF"}) {
        Bytes block = fromHex(hex);
        try {
            bit.Pad(block.data(), 8, false);
            ADD_FAILURE() << hex << " was accepted";
        } catch (const ECryptError& error) {
            EXPECT_STREQ(error.what(), "Crypt Error") << hex;
        }
    }

    // Through Decrypt: a whole block of zeros enciphered without padding.
    const Bytes zeros(8, 0x00);
    Bytes cipher(8);
    qzvCrypt(kIv, padNone).Encrypt(zeros.data(), cipher.data(), 8);
    Bytes out(8);
    EXPECT_THROW(bit.Decrypt(cipher.data(), out.data(), 8), ECryptError);
}

TEST(CryptCBC, CountPaddingIsNotValidated) {
    TCryptCBC crypt = qzvCrypt(kIv, padCount);
    const auto decryptLastByte = [&](std::uint8_t last) {
        Bytes plain(16, 'x');
        plain[15] = last;
        Bytes cipher(16), out(16);
        qzvCrypt(kIv, padNone).Encrypt(plain.data(), cipher.data(), 16);
        return crypt.Decrypt(cipher.data(), out.data(), 16);
    };
    EXPECT_EQ(decryptLastByte(0x00), 16);
    EXPECT_EQ(decryptLastByte(0x10), 0);
    EXPECT_EQ(decryptLastByte(0xFF), 16 - 255);
}

TEST(CryptCBC, DecryptingNothingExaminesNoBlock) {
    // Bit padding would raise an error on any block it looked at.
    TCryptCBC bit = qzvCrypt(kIv, padBit);
    EXPECT_EQ(bit.Decrypt(nullptr, nullptr, 0), 0);
}

TEST(CryptCBC, PartialBlocksAreAssertionFailures) {
    const Bytes input(12, 0x41);
    Bytes out(16, 0xEE);
    try {
        qzvCrypt(kIv, padCount).Decrypt(input.data(), out.data(), 12);
        ADD_FAILURE() << "12 bytes deciphered";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "Assertion failure (mylib\\CryptUtils, 315 行)");
    }
    EXPECT_EQ(out, Bytes(16, 0xEE)) << "nothing is written";

    try {
        qzvCrypt(kIv, padNone).Encrypt(input.data(), out.data(), 12);
        ADD_FAILURE() << "12 bytes enciphered without padding";
    } catch (const EAssertionFailed& error) {
        EXPECT_STREQ(error.what(), "Assertion failure (mylib\\CryptUtils, 323 行)");
    }
    EXPECT_EQ(out, Bytes(16, 0xEE));

    // Whole blocks without padding pass.
    EXPECT_EQ(qzvCrypt(kIv, padNone).Encrypt(input.data(), out.data(), 8), 8);
    EXPECT_EQ(qzvCrypt(kIv, padNone).Decrypt(out.data(), out.data(), 8), 8);
}

TEST(CryptCBC, BorrowedCipherOutlivesTheMode) {
    TBlowFish cipher;
    const Bytes plain = fromHex("0123456789ABCDEF");
    {
        TCryptCBC crypt(std::string("QZV"), &cipher, kIv.data(), 8, padNone, false);
        Bytes out(8);
        crypt.Encrypt(plain.data(), out.data(), 8);
    }
    // The key schedule set by the mode is still there.
    Bytes block(8);
    cipher.EncipherBlock(plain.data(), block.data());
    EXPECT_EQ(block, encipherOnce(textBytes("QZV"), plain));
}

TEST(XorBufferTest, XorsCountBytesOnly) {
    Bytes dst = fromHex("00FF0F55AA");
    const Bytes src = fromHex("FFFFF0AA00");
    XorBuffer(dst.data(), src.data(), 4);
    EXPECT_EQ(dst, fromHex("FF00FFFFAA"));
}
