// The installation record over the in-memory registry: the install folder,
// and the marker as each kind of stored value reads, is saved and put back.
#include "install/install_record.h"

#include <gtest/gtest.h>

#include "common/versions.h"
#include "tests/support/memory_registry.h"

namespace quorin {
namespace {

class InstallRecordTest : public ::testing::Test {
  protected:
    void Store(std::uint32_t type, const ByteArray& bytes) {
        registry_.PutRaw(kGameVersionKey, kMagicValue, type, bytes);
    }
    test::MemoryRegistry registry_;
    InstallRecord record_{registry_};
};

TEST_F(InstallRecordTest, FindsTheGameAndItsFolder) {
    EXPECT_FALSE(record_.GameKeyExists());
    registry_.CreateKey(kGameVersionKey);
    EXPECT_TRUE(record_.GameKeyExists());
    registry_.PutRaw(kGameVersionKey, kInstallPathValue, kRegSz,
                     ToRegistryData(std::string("C:\\JA")).bytes);
    record_.LoadInstallInfo();
    EXPECT_EQ(record_.InstallPath(), "C:\\JA");
    registry_.DeleteKeyTree(kGameVersionKey);
    registry_.CreateKey(kGameVersionKey);
    record_.LoadInstallInfo(); // gone since: no folder
    EXPECT_EQ(record_.InstallPath(), "");
    EXPECT_FALSE(registry_.GetRaw(kGameVersionKey, kMagicValue)); // loading writes nothing
}

TEST_F(InstallRecordTest, EachStoredMarkerReadsSavesAndIsPutBackAsItWas) {
    const struct {
        const char* what;
        std::optional<std::pair<std::uint32_t, ByteArray>> stored;
        const char* text; // ReadMagic
        std::optional<std::uint32_t> saved;
        std::string_view version;
    } cases[] = {
        {"absent", std::nullopt, "", std::nullopt, kVersion101},
        {"1.0.0", std::pair(kRegDword, ByteArray{0, 0, 0, 0}), "0", 0u, kVersion100},
        {"1.0.1", std::pair(kRegDword, ByteArray{0x75, 0x27, 0x09, 0}), "599925", 599925u,
         kVersion101},
        {"every byte", std::pair(kRegDword, ByteArray{1, 2, 3, 0x84}), "-2080177663", 0x84030201u,
         kVersion101},
        {"text 0", std::pair(kRegSz, ByteArray{'0', 0}), "0", 0u, kVersion100},
        {"text", std::pair(kRegSz, ByteArray{'x', 0}), "x", 599925u, kVersion101},
        {"text of four bytes", std::pair(kRegSz, ByteArray{'1', '2', '3', 0}), "123", 599925u,
         kVersion101},
        {"no text form", std::pair(kRegLink, ByteArray{0x30, 0}), "", 599925u, kVersion101},
    };
    for (const auto& c : cases) {
        registry_.DeleteKeyTree(kGameBaseKey);
        registry_.CreateKey(kGameVersionKey);
        if (c.stored)
            Store(c.stored->first, c.stored->second);
        EXPECT_EQ(record_.HasMarker(), c.stored.has_value()) << c.what;
        EXPECT_EQ(record_.ReadMagic(), c.text) << c.what;
        EXPECT_EQ(ClientVersionFromMagic(record_.ReadMagic()), c.version) << c.what;
        const auto saved = record_.SaveMagic();
        EXPECT_EQ(saved, c.saved) << c.what;
        // A switch writes its own marker, and a roll-back puts this one back.
        ASSERT_TRUE(record_.WriteMagic(kMagic100 + 7)) << c.what;
        EXPECT_TRUE(record_.RestoreMagic(saved)) << c.what;
        EXPECT_EQ(record_.HasMarker(), c.stored.has_value()) << c.what;
        EXPECT_EQ(ClientVersionFromMagic(record_.ReadMagic()), c.version) << c.what;
    }
}

TEST_F(InstallRecordTest, AKeyThatRefusesWritingIsToldAsARefusal) {
    registry_.CreateKey(kGameVersionKey);
    Store(kRegDword, {0, 0, 0, 0});
    registry_.MakeReadOnly(kGameVersionKey);
    EXPECT_FALSE(record_.WriteMagic(kMagic101));
    EXPECT_FALSE(record_.RestoreMagic(std::nullopt));
    EXPECT_FALSE(record_.RestoreMagic(kMagic101));
    EXPECT_EQ(record_.ReadMagic(), "0");
}

} // namespace
} // namespace quorin
