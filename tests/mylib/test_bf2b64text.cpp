#include "mylib/BF2B64Text.h"
#include "mylib/CryptUtils.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

const std::string kKey = "QZV";
const char* const kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const std::int64_t kIv = 0x0123456789ABCDEF;

std::string allByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes;
}

// Blowfish-CBC through OpenSSL's EVP interface, with the key length set to the key's bytes.
// Blowfish lives in OpenSSL 3's legacy provider.
class OpenSslBlowfish {
public:
    OpenSslBlowfish() {
        legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
        default_ = OSSL_PROVIDER_load(nullptr, "default");
        cipher_ = EVP_CIPHER_fetch(nullptr, "BF-CBC", nullptr);
    }
    ~OpenSslBlowfish() {
        EVP_CIPHER_free(cipher_);
        if (default_)
            OSSL_PROVIDER_unload(default_);
        if (legacy_)
            OSSL_PROVIDER_unload(legacy_);
    }
    OpenSslBlowfish(const OpenSslBlowfish&) = delete;
    OpenSslBlowfish& operator=(const OpenSslBlowfish&) = delete;

    bool available() const { return cipher_ != nullptr; }

    std::string run(bool encrypt, const std::string& key, const std::array<unsigned char, 8>& iv,
                    const std::string& input, bool pkcs7) const {
        std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
        const int enc = encrypt ? 1 : 0;
        if (!ctx || !EVP_CipherInit_ex2(ctx.get(), cipher_, nullptr, nullptr, enc, nullptr) ||
            !EVP_CIPHER_CTX_set_key_length(ctx.get(), int(key.size())) ||
            !EVP_CipherInit_ex2(ctx.get(), nullptr,
                                reinterpret_cast<const unsigned char*>(key.data()), iv.data(), enc,
                                nullptr) ||
            !EVP_CIPHER_CTX_set_padding(ctx.get(), pkcs7 ? 1 : 0))
            throw std::runtime_error("OpenSSL Blowfish set-up failed");
        std::string output(input.size() + 16, '\0');
        int written = 0;
        int last = 0;
        auto* out = reinterpret_cast<unsigned char*>(output.data());
        if (!EVP_CipherUpdate(ctx.get(), out, &written,
                              reinterpret_cast<const unsigned char*>(input.data()),
                              int(input.size())) ||
            !EVP_CipherFinal_ex(ctx.get(), out + written, &last))
            throw std::runtime_error("OpenSSL Blowfish rejected the data");
        output.resize(std::size_t(written + last));
        return output;
    }

private:
    OSSL_PROVIDER* legacy_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
    EVP_CIPHER* cipher_ = nullptr;
};

std::string openSslBase64(const std::string& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int length =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    text.resize(std::size_t(length));
    return text;
}

std::string openSslUnbase64(const std::string& text) {
    std::string bytes(text.size() / 4 * 3, '\0');
    const int length =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
    if (length < 0)
        throw std::runtime_error("OpenSSL rejected the Base64 text " + text);
    // EVP_DecodeBlock counts the bytes that the "=" characters stand for as zeros.
    std::size_t padding = 0;
    for (auto it = text.rbegin(); it != text.rend() && *it == '='; ++it)
        ++padding;
    bytes.resize(std::size_t(length) - padding);
    return bytes;
}

// Initialisation values with their vector bytes, least significant byte first.
struct IvCase {
    std::int64_t value;
    std::array<unsigned char, 8> bytes;
};

const IvCase kIvCases[] = {
    {0x0123456789ABCDEF, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
    {-2, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    {0, {0, 0, 0, 0, 0, 0, 0, 0}},
};

// Plain texts of every length from 0 to 40 with bytes 0x00 and high bytes, and Japanese text.
std::vector<std::string> interopTexts() {
    std::vector<std::string> texts;
    const std::string bytes = allByteValues();
    for (std::size_t n = 0; n <= 40; ++n)
        texts.push_back(bytes.substr(256 - 3 * n / 2 - 10, n));
    texts.push_back(std::string("\0\0\0", 3));
    texts.push_back("パスワード日本語テキスト");
    return texts;
}

} // namespace

TEST(Base64, EncodesStandardVectors) {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : rows) {
        EXPECT_EQ(EncodeBase64(bytes), text) << bytes;
        EXPECT_EQ(DecodeBase64(text), bytes) << text;
    }
    EXPECT_EQ(EncodeBase64(std::string("\xFF\xEF\xBE", 3)), "/+++");
}

TEST(Base64, EveryByteValueRoundTrips) {
    const std::string bytes = allByteValues();
    const std::string text = EncodeBase64(bytes);
    EXPECT_EQ(text.size(), (256 + 2) / 3 * 4);
    EXPECT_EQ(text, openSslBase64(bytes));
    EXPECT_EQ(DecodeBase64(text), bytes);
}

TEST(Base64, DecodingIsLenient) {
    const std::pair<std::string, std::string> rows[] = {
        {"Zm9vYmFy!", "foobar"},        // one extra character ignored
        {"Zm9vYmFyYg", "foobar"},       // an incomplete group is ignored
        {"Zm9vYmFyYg=", "foobar"},      // three extra characters ignored
        {"Zm9", ""},                    // fewer than four characters
        {"", ""},                       //
        {"!!!!", std::string(3, '\0')}, // unknown characters count as 0
        {"Zm 9", "f`="},                // a blank too
        {"==AA", std::string(3, '\0')}, // leading "=" is just 0
        {"QQ=A", "A"},                  // "=" third: one byte
        {"QUI=", "AB"},                 // "=" fourth: two bytes
        {"Zg==Zg==", "ff"},             // groups after "=" go on
        {"Zm8=\r\n", "fo"},             // line end left over
    };
    for (const auto& [text, bytes] : rows)
        EXPECT_EQ(DecodeBase64(text), bytes) << "\"" << text << "\"";
}

TEST(EncryptText, StoredLengthFollowsThePlainLength) {
    struct Row {
        std::size_t plainBytes;
        std::size_t characters;
        std::size_t equalSigns;
    };
    const Row rows[] = {{0, 12, 1},  {1, 12, 1},  {7, 12, 1},  {8, 24, 2}, {15, 24, 2},
                        {16, 32, 0}, {23, 32, 0}, {24, 44, 1}, {40, 64, 0}};
    for (const Row& row : rows) {
        const std::string stored = EncryptText(kKey, std::string(row.plainBytes, 'a'), kIv);
        EXPECT_EQ(stored.size(), row.characters) << row.plainBytes;
        const std::size_t last = stored.find_last_not_of('=');
        EXPECT_EQ(stored.size() - 1 - last, row.equalSigns) << stored;
        EXPECT_EQ(stored.substr(0, last + 1).find_first_not_of(kBase64Alphabet), std::string::npos)
            << stored;
        EXPECT_EQ(DecodeBase64(stored).size(), (row.plainBytes / 8 + 1) * 8);
    }
}

TEST(EncryptText, EmptyTextIsOneBlockOfPadBytes) {
    const std::string stored = EncryptText(kKey, "", kIv);
    ASSERT_EQ(stored.size(), 12u);
    EXPECT_EQ(stored.back(), '=');
    EXPECT_NE(stored[10], '=');
    EXPECT_EQ(DecryptText(kKey, stored, kIv), "");
}

// Fixed stored texts, computed with OpenSSL's Blowfish-CBC and Base64: the file format must
// not drift between builds.
TEST(EncryptText, KnownStoredTexts) {
    struct Row {
        std::string plain;
        std::int64_t iv;
        const char* stored;
    };
    const Row rows[] = {
        {"", kIv, "dQbf/1touS8="},
        {"[changefreq]=weekly", kIv, "Vlb6/b7VwQ9eQmpH1G9CyG/16m8jBrXb"},
        {"ftp.example.jp", -2, "HyvwHCd1I3FbQ0pyoDL/Ig=="},
        {"秘密のパスワード", 0x1F2E3D4C5B6A7988, "IGaufsBkHjyY6EmxFETNCUg70cIfcGwyqURHr4wVCwE="},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EncryptText(kKey, row.plain, row.iv), row.stored) << row.plain;
        EXPECT_EQ(DecryptText(kKey, row.stored, row.iv), row.plain) << row.stored;
    }
}

TEST(EncryptText, RoundTripsAnyBytes) {
    const std::string texts[] = {
        "",
        std::string("\0", 1),
        std::string("a\0b\0\0", 5),
        allByteValues(),
        "ftpユーザー@例え.jp",
        "/public_html/日本語フォルダー",
        std::string(1000, '\x08'),
    };
    for (const std::string& text : texts) {
        for (const IvCase& iv : kIvCases)
            EXPECT_EQ(DecryptText(kKey, EncryptText(kKey, text, iv.value), iv.value), text);
        EXPECT_EQ(DecryptText("a longer key", EncryptText("a longer key", text, 7), 7), text);
    }
}

TEST(EncryptText, SameInputsSameTextOtherIvOtherText) {
    const std::string a = EncryptText(kKey, "password", kIv);
    EXPECT_EQ(EncryptText(kKey, "password", kIv), a);
    EXPECT_NE(EncryptText(kKey, "password", kIv + 1), a);
    EXPECT_NE(EncryptText(kKey, "password", kIv ^ (std::int64_t(1) << 56)), a);
    EXPECT_NE(EncryptText("QZW", "password", kIv), a);
}

TEST(EncryptText, EmptyKeyIsRefused) {
    EXPECT_THROW(EncryptText("", "text", kIv), std::invalid_argument);
    EXPECT_THROW(DecryptText("", "AAAAAAAAAAA=", kIv), std::invalid_argument);
}

TEST(DecryptText, ExtraCharactersAfterTheLastGroupAreIgnored) {
    const std::string stored = EncryptText(kKey, "user name", kIv);
    for (const char* extra : {"A", "==", "xyz", "\r"})
        EXPECT_EQ(DecryptText(kKey, stored + extra, kIv), "user name") << extra;
}

TEST(DecryptText, TooShortTextGivesNothing) {
    for (const char* text : {"", "A", "AB", "AB=", "\r\n"})
        EXPECT_EQ(DecryptText(kKey, text, kIv), "") << text;
}

TEST(DecryptText, PartialBlockIsAnAssertionFailure) {
    // 16 characters decode to 12 bytes; "AAAAAAAAAA==" to 7.
    const std::string stored = EncryptText(kKey, "0123456789abcdef", kIv);
    for (const std::string& text : {stored.substr(0, 16), std::string("AAAAAAAAAA==")}) {
        try {
            DecryptText(kKey, text, kIv);
            ADD_FAILURE() << text << " deciphered";
        } catch (const EAssertionFailed& error) {
            EXPECT_STREQ(error.what(), "Assertion failure (mylib\\CryptUtils, 315 行)");
        }
    }
}

TEST(DecryptText, WrongKeyIvOrDamageGivesBytesWithoutError) {
    const std::string stored = EncryptText(kKey, "a secret value of some length", kIv);
    std::string damaged = stored;
    damaged[5] = damaged[5] == 'A' ? 'B' : 'A';
    for (const auto& [key, text, iv] :
         {std::tuple(std::string("QZW"), stored, kIv), std::tuple(kKey, stored, kIv + 1),
          std::tuple(kKey, damaged, kIv)}) {
        std::string plain;
        EXPECT_NO_THROW(plain = DecryptText(key, text, iv));
        EXPECT_LE(plain.size(), DecodeBase64(stored).size());
        EXPECT_NE(plain, "a secret value of some length");
    }
}

class OpenSslInterop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openssl_.available())
            << "OpenSSL's legacy provider with Blowfish is not available";
    }
    OpenSslBlowfish openssl_;
};

TEST_F(OpenSslInterop, StoredTextDeciphersWithOpenSsl) {
    for (const IvCase& iv : kIvCases) {
        for (const std::string& plain : interopTexts()) {
            const std::string cipher = openSslUnbase64(EncryptText(kKey, plain, iv.value));
            const std::size_t pad = 8 - plain.size() % 8;
            EXPECT_EQ(openssl_.run(false, kKey, iv.bytes, cipher, false),
                      plain + std::string(pad, char(pad)));
            EXPECT_EQ(openssl_.run(false, kKey, iv.bytes, cipher, true), plain);
        }
    }
}

TEST_F(OpenSslInterop, OpenSslCipherTextDeciphersHere) {
    for (const IvCase& iv : kIvCases) {
        for (const std::string& plain : interopTexts()) {
            const std::string stored =
                openSslBase64(openssl_.run(true, kKey, iv.bytes, plain, true));
            EXPECT_EQ(DecryptText(kKey, stored, iv.value), plain);
            EXPECT_EQ(EncryptText(kKey, plain, iv.value), stored);
        }
    }
    const std::string longKey = "a key of twenty-five bytes";
    const std::string plain = "value";
    EXPECT_EQ(EncryptText(longKey, plain, kIv),
              openSslBase64(openssl_.run(true, longKey, kIvCases[0].bytes, plain, true)));
}
