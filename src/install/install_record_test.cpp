// Runs against the in-memory store natively and the real registry under Wine.
#include "install/install_record.h"

#include <gtest/gtest.h>

#include "tests/support/registry_backend.h"

namespace quorin {
namespace {

const std::string kLucasArts = "SOFTWARE\\LucasArts";

ByteArray Bytes(std::string_view s) { return ByteArray(s.begin(), s.end()); }
ByteArray Dword(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

class InstallRecordTest : public ::testing::Test {
  protected:
    void SetUp() override { backend_->DeleteKeyTree(kLucasArts); }
    void TearDown() override {
        EXPECT_EQ(counting_.OpenKeys(), 0);
        backend_->DeleteKeyTree(kLucasArts);
    }
    std::optional<RegistryData> Magic() { return backend_->GetRaw(kGameVersionKey, "Magic"); }

    std::unique_ptr<test::RegistryBackend> backend_ = test::MakeRegistryBackend();
    test::CountingRegistryApi counting_{backend_->Api()};
    InstallRecord record_{counting_};
};

TEST_F(InstallRecordTest, GameKeyExistsFollowsTheBaseKey) {
    EXPECT_FALSE(record_.GameKeyExists());
    backend_->CreateKey(kGameBaseKey); // no version key needed
    EXPECT_TRUE(record_.GameKeyExists());
}

TEST_F(InstallRecordTest, FirstStartCreatesMagicZeroAndReadsThePath) {
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegSz, Bytes({"C:\\Games\\JKA\0", 13}));
    EXPECT_TRUE(record_.LoadInstallInfo());
    EXPECT_EQ(record_.InstallPath(), "C:\\Games\\JKA");
    ASSERT_TRUE(Magic());
    EXPECT_EQ(Magic()->type, kRegDword);
    EXPECT_EQ(Magic()->bytes, Dword(0));
    EXPECT_EQ(ClientVersionFromMagic(record_.ReadMagic()), "v1.0.0");
}

TEST_F(InstallRecordTest, AnExistingMarkerIsLeftAsItIs) {
    backend_->PutRaw(kGameVersionKey, "Magic", kRegDword, Dword(599925));
    EXPECT_TRUE(record_.LoadInstallInfo());
    EXPECT_EQ(Magic()->bytes, Dword(599925));
    EXPECT_EQ(record_.InstallPath(), "");
}

TEST_F(InstallRecordTest, AMarkerAfterALargeValueIsStillFound) {
    // Were the enumeration to stop at the large value, start-up would think
    // the marker missing and reset a 1.0.1 installation to 0.
    ByteArray big(6000, 'p');
    big.back() = 0;
    backend_->PutRaw(kGameVersionKey, "AAA Notes", kRegSz, big);
    backend_->PutRaw(kGameVersionKey, "Magic", kRegDword, Dword(599925));
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegSz, Bytes({"D:\\JKA\0", 7}));
    record_.LoadInstallInfo();
    EXPECT_EQ(Magic()->bytes, Dword(599925));
    EXPECT_EQ(record_.InstallPath(), "D:\\JKA");
}

TEST_F(InstallRecordTest, TheMarkerIsFoundInAnyLetterCase) {
    // The registry compares value names without case: "magic" is the marker,
    // and a start-up that did not see it would forget the last switch.
    backend_->PutRaw(kGameVersionKey, "magic", kRegDword, Dword(599925));
    record_.LoadInstallInfo();
    EXPECT_EQ(Magic()->bytes, Dword(599925));
    EXPECT_EQ(record_.ReadMagic(), "599925");
}

TEST_F(InstallRecordTest, InstallPathKeepsItsTextAndNumbersBecomeDigits) {
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegSz, Bytes({"C:\\Games\\\0", 10}));
    record_.LoadInstallInfo();
    EXPECT_EQ(record_.InstallPath(), "C:\\Games\\"); // not normalised
    InstallRecord other(counting_);
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegDword, Dword(42));
    other.LoadInstallInfo();
    EXPECT_EQ(other.InstallPath(), "42");
}

TEST_F(InstallRecordTest, WithoutVersionKeyStartUpGoesOnAndCreatesNothing) {
    backend_->CreateKey(kGameBaseKey);
    EXPECT_TRUE(record_.LoadInstallInfo());
    EXPECT_EQ(record_.InstallPath(), "");
    EXPECT_FALSE(backend_->KeyExists(kGameVersionKey));
    EXPECT_EQ(record_.ReadMagic(), "");
    EXPECT_EQ(ClientVersionFromMagic(record_.ReadMagic()), "v1.0.1");
    EXPECT_FALSE(record_.WriteMagic(kMagic101));
}

struct MagicCase {
    const char* what;
    std::uint32_t type;
    ByteArray stored;
    const char* text;
    const char* clientVersion;
};

TEST_F(InstallRecordTest, MarkerReadsAsTextAndNamesTheClientVersion) {
    const MagicCase cases[] = {
        {"dword 0", kRegDword, Dword(0), "0", "v1.0.0"},
        {"dword 599925", kRegDword, Dword(599925), "599925", "v1.0.1"},
        {"dword 1", kRegDword, Dword(1), "1", "v1.0.1"},
        {"dword -1", kRegDword, Dword(0xFFFFFFFF), "-1", "v1.0.1"},
        {"text 0", kRegSz, Bytes({"0\0", 2}), "0", "v1.0.0"},
        {"text 1.0.0", kRegSz, Bytes({"1.0.0\0", 6}), "1.0.0", "v1.0.1"},
        {"empty text", kRegSz, Bytes({"\0", 1}), "", "v1.0.1"},
        {"binary has no text form", kRegBinary, {0x30}, "", "v1.0.1"},
        {"qword is read, not raised", kRegQword, ByteArray(8, 0), "", "v1.0.1"},
    };
    for (const MagicCase& c : cases) {
        backend_->PutRaw(kGameVersionKey, "Magic", c.type, c.stored);
        EXPECT_EQ(record_.ReadMagic(), c.text) << c.what;
        EXPECT_EQ(ClientVersionFromMagic(record_.ReadMagic()), c.clientVersion) << c.what;
    }
}

TEST_F(InstallRecordTest, ALoadWithAnOddMarkerTypeDoesNotStop) {
    backend_->PutRaw(kGameVersionKey, "Magic", kRegQword, ByteArray(8, 0));
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegSz, Bytes({"E:\\J\0", 5}));
    EXPECT_TRUE(record_.LoadInstallInfo());
    EXPECT_EQ(record_.InstallPath(), "E:\\J");
    EXPECT_EQ(Magic()->type, kRegQword); // present, so not rewritten
}

TEST_F(InstallRecordTest, SwitchesStoreExactlyTheTwoMarkers) {
    backend_->CreateKey(kGameVersionKey);
    EXPECT_TRUE(record_.WriteMagic(kMagic101));
    EXPECT_EQ(Magic()->bytes, Dword(599925));
    EXPECT_TRUE(record_.WriteMagic(kMagic100));
    EXPECT_EQ(Magic()->bytes, Dword(0));
    EXPECT_EQ(Magic()->type, kRegDword);
}

TEST_F(InstallRecordTest, AReadOnlyVersionKeyLeavesStartUpGoing) {
    backend_->PutRaw(kGameVersionKey, "Install Path", kRegSz, Bytes({"C:\\J\0", 5}));
    if (!backend_->MakeReadOnly(kGameVersionKey))
        GTEST_SKIP() << "this registry does not refuse writes here";
    EXPECT_TRUE(record_.LoadInstallInfo());
    EXPECT_EQ(record_.InstallPath(), "C:\\J");
    EXPECT_FALSE(Magic());
    EXPECT_FALSE(record_.WriteMagic(kMagic101));
}

} // namespace
} // namespace quorin
