// Runs against the in-memory store natively and the real registry under Wine.
#include "install/install_record.h"

#include <gtest/gtest.h>

#include "tests/support/registry_backend.h"

namespace quorin {
namespace {

ByteArray Bytes(std::string_view s) {
    return ByteArray(s.begin(), s.end());
}
ByteArray Dword(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

class InstallRecordTest : public ::testing::Test {
  protected:
    void SetUp() override { backend_->DeleteKeyTree(kGameBaseKey); }
    void TearDown() override {
        EXPECT_EQ(backend_->Counts().value_or(std::pair(0, 0)).first, 0);
        backend_->DeleteKeyTree(kGameBaseKey);
    }
    // "Magic" as stored, its type and bytes in hex ("4:75270900"), or "absent".
    std::string StoredMagic() {
        const auto raw = backend_->GetRaw(kGameVersionKey, "Magic");
        if (!raw)
            return "absent";
        std::string text = std::to_string(raw->type) + ":";
        for (std::uint8_t b : raw->bytes)
            text += "0123456789abcdef"[b >> 4], text += "0123456789abcdef"[b & 15];
        return text;
    }

    std::unique_ptr<test::RegistryBackend> backend_ = test::MakeRegistryBackend();
};

TEST_F(InstallRecordTest, StartUpReadsThePathAndCreatesOnlyAMissingMarker) {
    struct Stored {
        const char* name;
        std::uint32_t type;
        ByteArray bytes;
    };
    const struct {
        const char* what;
        std::vector<Stored> values;
        const char* path;
        std::string magic; // as stored after start-up
    } cases[] = {
        {"first start",
         {{"Install Path", kRegSz, Bytes({"C:\\Games\\\0", 10})}},
         "C:\\Games\\",
         "4:00000000"},
        {"the marker in another letter case",
         {{"magic", kRegDword, Dword(599925)}},
         "",
         "4:75270900"},
        {"a number as path, an odd marker type",
         {{"Install Path", kRegDword, Dword(42)}, {"Magic", kRegQword, ByteArray(8, 0)}},
         "42",
         "11:0000000000000000"},
    };
    for (const auto& c : cases) {
        backend_->DeleteKeyTree(kGameBaseKey);
        backend_->CreateKey(kGameVersionKey);
        for (const Stored& v : c.values)
            backend_->PutRaw(kGameVersionKey, v.name, v.type, v.bytes);
        InstallRecord record(backend_->Api());
        EXPECT_TRUE(record.LoadInstallInfo()) << c.what;
        EXPECT_EQ(record.InstallPath(), c.path) << c.what;
        EXPECT_EQ(StoredMagic(), c.magic) << c.what;
    }
}

} // namespace
} // namespace quorin
