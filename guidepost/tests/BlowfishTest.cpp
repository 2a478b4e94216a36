#include "guidepost/CBlowfish.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fromHex(const std::string& hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The published vectors read each half big-endian; ours are little-endian,
// so the bytes of every 4-byte half are reversed on the way in and out.
Bytes swapHalves(Bytes b)
{
    for (std::size_t i = 0; i + 4 <= b.size(); i += 4) {
        std::swap(b[i], b[i + 3]);
        std::swap(b[i + 1], b[i + 2]);
    }
    return b;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Eric Young's ECB test vectors for Blowfish.
const Vector ecbVectors[] = {
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

// Eric Young's variable key length vectors: keys are the first 1 to 24
// bytes of this key, the plain block is FEDCBA9876543210.
const char* const setKeyKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
const char* const setKeyCiphers[] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05", "B39E44481BDB1E6E",
    "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82", "15750E7A4F4EC577", "122BA70B3AB64AE0",
    "3A833C9AFFC537F6", "9409DA87A90F6BF2", "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F",
    "93142887EE3BE15C", "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

TEST(BlowfishTest, PublishedEcbVectorsBothWays)
{
    for (const auto& v : ecbVectors) {
        SCOPED_TRACE(v.key);
        CBlowfish bf;
        const Bytes key = fromHex(v.key);
        bf.SetKey(key.data(), key.size());

        Bytes block = swapHalves(fromHex(v.plain));
        EXPECT_EQ(bf.Encipher(block.data(), block.data(), block.size()), 8u);
        EXPECT_EQ(swapHalves(block), fromHex(v.cipher));
        bf.Decipher(block.data(), block.data(), block.size());
        EXPECT_EQ(swapHalves(block), fromHex(v.plain));

        // The block functions take the halves as numbers, free of byte order.
        const Bytes plain = fromHex(v.plain);
        std::uint32_t left = (plain[0] << 24) | (plain[1] << 16) | (plain[2] << 8) | plain[3];
        std::uint32_t right = (plain[4] << 24) | (plain[5] << 16) | (plain[6] << 8) | plain[7];
        bf.EncipherBlock(left, right);
        const Bytes cipher = fromHex(v.cipher);
        EXPECT_EQ(left, std::uint32_t((cipher[0] << 24) | (cipher[1] << 16) | (cipher[2] << 8) | cipher[3]));
        EXPECT_EQ(right, std::uint32_t((cipher[4] << 24) | (cipher[5] << 16) | (cipher[6] << 8) | cipher[7]));
        bf.DecipherBlock(left, right);
        EXPECT_EQ(left, std::uint32_t((plain[0] << 24) | (plain[1] << 16) | (plain[2] << 8) | plain[3]));
    }
}

TEST(BlowfishTest, PublishedVariableKeyLengthVectors)
{
    const Bytes key = fromHex(setKeyKey);
    for (std::size_t n = 1; n <= key.size(); ++n) {
        SCOPED_TRACE(n);
        CBlowfish bf;
        bf.SetKey(key.data(), n);
        Bytes block = swapHalves(fromHex("FEDCBA9876543210"));
        bf.Encipher(block.data(), block.data(), 8);
        EXPECT_EQ(swapHalves(block), fromHex(setKeyCiphers[n - 1]));
    }
}

// A cipher code is whatever the user typed: no code, and codes longer than
// the 56 bytes the algorithm names, give what they always gave (only the
// first 72 bytes count), and never stop the program.
TEST(BlowfishTest, EmptyAndOverlongKeysKeepTheirCipherText)
{
    const struct {
        std::size_t length;
        const char* cipher;
    } cases[] = {{0, "f2be2ecfb8182ae006eb591720b04edf"},  {1, "390bae53c22ae4ac4559a217541232cf"},
                 {56, "8fc288c6c3ef7bd8f4d5112b9b1acce1"}, {57, "e7dcc75a5c7eaa03b73c608c5b90879e"},
                 {72, "2ade830eb34d00a6fc3108f66c434e13"}, {73, "7f460ce7cd3e05fd83c3ad332ee42fd4"},
                 {1000, "610e041b31e5be20da32c196cf261d42"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        Bytes key(1000);
        for (std::size_t i = 0; i < key.size(); ++i)
            key[i] = static_cast<unsigned char>(i * 37 + c.length);
        CBlowfish bf;
        bf.SetKey(c.length ? key.data() : nullptr, c.length);
        Bytes block = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        bf.Encipher(block.data(), block.data(), block.size());
        EXPECT_EQ(block, fromHex(c.cipher));
        bf.Decipher(block.data(), block.data(), block.size());
        EXPECT_EQ(block, (Bytes {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    }
}

TEST(BlowfishTest, SettingAKeyAgainStartsFromTheInitialTables)
{
    const unsigned char first[] = "first key";
    const unsigned char second[] = "0123456789abcdef";
    CBlowfish reused, fresh;
    reused.SetKey(first, 9);
    reused.SetKey(second, 16);
    fresh.SetKey(second, 16);
    unsigned char a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    reused.Encipher(a, a, 8);
    fresh.Encipher(b, b, 8);
    EXPECT_EQ(Bytes(a, a + 8), Bytes(b, b + 8));
}

TEST(BlowfishTest, BuffersArePaddedWithZerosAndDecipherBack)
{
    CBlowfish bf;
    const unsigned char key[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    bf.SetKey(key, sizeof key);

    unsigned char one[8] = {0x5A};
    ASSERT_EQ(bf.Encipher(one, one, 1), 8u);
    bf.Decipher(one, one, 8);
    EXPECT_EQ(Bytes(one, one + 8), Bytes({0x5A, 0, 0, 0, 0, 0, 0, 0}));

    // A separate output buffer gets the same text as in-place enciphering,
    // and the padding equals explicit zero bytes.
    const Bytes plain = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k'};
    Bytes out(16, 0xEE);
    EXPECT_EQ(bf.Encipher(plain.data(), out.data(), plain.size()), 16u);
    Bytes padded = plain;
    padded.resize(16, 0);
    EXPECT_EQ(bf.Encipher(padded.data(), padded.data(), 16), 16u);
    EXPECT_EQ(out, padded);
    EXPECT_EQ(bf.Encipher(plain.data(), out.data(), 0), 0u);
}

class BlowfishFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("cvblowfish-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        const unsigned char key[] = "GuidePost cipher";
        bf_.SetKey(key, 16);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    static void writeFile(const std::string& p, const Bytes& data)
    {
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
    }
    static Bytes readFile(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static Bytes randomBytes(std::size_t n, unsigned seed)
    {
        std::mt19937 gen(seed);
        Bytes b(n);
        for (auto& c : b)
            c = static_cast<unsigned char>(gen());
        return b;
    }

    std::filesystem::path folder_;
    CBlowfish bf_;
};

TEST_F(BlowfishFileTest, FilesOfEverySizeRoundTrip)
{
    const std::size_t sizes[] = {0, 1, 8, 32767, 32768, 32769, 5 * 32768 + 13};
    for (std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const Bytes plain = randomBytes(size, static_cast<unsigned>(size));
        writeFile(path("plain"), plain);

        std::uint64_t read = 99;
        ASSERT_TRUE(bf_.TryEncipherFile(path("plain"), path("cipher"), read));
        EXPECT_EQ(read, size);
        EXPECT_EQ(bf_.EncipherFile(path("plain"), path("cipher")), size);

        // The file is the buffer enciphering of the whole, padded once.
        Bytes whole = plain;
        whole.resize((size + 7) / 8 * 8, 0);
        bf_.Encipher(whole.data(), whole.data(), whole.size());
        const Bytes cipher = readFile(path("cipher"));
        EXPECT_TRUE(cipher == whole);

        std::uint64_t written = 99;
        ASSERT_TRUE(bf_.TryDecipherFile(path("cipher"), path("back"), size, written));
        EXPECT_EQ(written, size);
        EXPECT_TRUE(readFile(path("back")) == plain);
        EXPECT_EQ(bf_.DecipherFile(path("cipher"), path("back"), size), size);
    }
}

TEST_F(BlowfishFileTest, BufferSizeDoesNotChangeTheCipherFile)
{
    const Bytes plain = randomBytes(10003, 7);
    writeFile(path("plain"), plain);
    ASSERT_EQ(bf_.EncipherFile(path("plain"), path("big")), 10003u);
    ASSERT_EQ(bf_.EncipherFile(path("plain"), path("odd"), 301), 10003u);
    EXPECT_TRUE(readFile(path("big")) == readFile(path("odd")));
    ASSERT_EQ(bf_.DecipherFile(path("odd"), path("back"), 10003, 259), 10003u);
    EXPECT_TRUE(readFile(path("back")) == plain);

    // Without a plain length everything is written, padding included.
    ASSERT_EQ(bf_.DecipherFile(path("odd"), path("all"), 0), 10008u);
}

TEST_F(BlowfishFileTest, FailuresReturnZeroAndLeaveNoTarget)
{
    writeFile(path("plain"), randomBytes(1000, 3));
    EXPECT_EQ(bf_.EncipherFile(path("missing"), path("cipher")), 0u);
    EXPECT_EQ(bf_.EncipherFile(path("plain"), path("cipher"), 255), 0u);
    EXPECT_EQ(bf_.EncipherFile(path("plain"), path("no-such-folder/cipher")), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("cipher")));

    // Enciphering a file onto itself would truncate it first.
    const Bytes before = readFile(path("plain"));
    EXPECT_EQ(bf_.EncipherFile(path("plain"), path("plain")), 0u);
    EXPECT_TRUE(readFile(path("plain")) == before);

    ASSERT_EQ(bf_.EncipherFile(path("plain"), path("cipher")), 1000u);
    Bytes cipher = readFile(path("cipher"));
    cipher.resize(cipher.size() - 3);
    writeFile(path("ragged"), cipher);
    EXPECT_EQ(bf_.DecipherFile(path("ragged"), path("back"), 1000), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("back")));

    cipher.resize(512);
    writeFile(path("short"), cipher);
    EXPECT_EQ(bf_.DecipherFile(path("short"), path("back"), 1000), 0u);
    EXPECT_FALSE(std::filesystem::exists(path("back")));
    EXPECT_EQ(bf_.DecipherFile(path("short"), path("back"), 500), 500u);
}

} // namespace
