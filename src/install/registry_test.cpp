// Runs against the in-memory store natively and the real registry under Wine.
#include "install/registry.h"

#include <gtest/gtest.h>

#include "tests/support/registry_backend.h"

namespace quorin {
namespace {

const std::string kTestRoot = "SOFTWARE\\QuorinTest";
const std::string kKey = kTestRoot + "\\Values";

ByteArray Bytes(std::string_view s) {
    return ByteArray(s.begin(), s.end());
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend_->DeleteKeyTree(kTestRoot);
        backend_->CreateKey(kKey);
    }
    void TearDown() override {
        EXPECT_EQ(OpenKeys(), 0) << "a key was left open";
        backend_->DeleteKeyTree(kTestRoot);
    }
    int OpenKeys() { return backend_->Counts().value_or(std::pair(0, 0)).first; }

    std::unique_ptr<test::RegistryBackend> backend_ = test::MakeRegistryBackend();
    Registry registry_{backend_->Api()};
};

TEST_F(RegistryTest, ReadsEachStoredTypeRetryingOnceForALargeValue) {
    std::string large(5000, 'x');
    large.back() = 'y';
    const std::string exact(1023, 'e'); // with its terminator, the first buffer exactly
    const struct {
        std::uint32_t type;
        ByteArray stored;
        Value expected;
        int queries;
    } cases[] = {
        {kRegSz, Bytes({"abc\0", 4}), std::string("abc"), 1},
        {kRegExpandSz, Bytes({"%SystemRoot%\\x\0", 15}), std::string("%SystemRoot%\\x"), 1},
        {kRegMultiSz, Bytes({"a\0b\0\0", 5}), std::string("a\0b", 3), 1}, // inner zeros kept
        {kRegMultiSz, Bytes({"\0", 1}), std::string(), 1},
        {kRegBinary, ByteArray{0, 0xFF, 7}, ByteArray{0, 0xFF, 7}, 1},
        {kRegBinary, {}, ByteArray{}, 1},
        {kRegDword, ByteArray{0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}, 1},
        {kRegDword, ByteArray{0x34, 0x12}, std::int32_t{0x1234}, 1}, // short: the rest is zero
        {kRegDword, ByteArray{1, 0, 0, 0, 2}, std::int32_t{1}, 1},   // long: four bytes count
        {kRegSz, Bytes(exact + '\0'), exact, 1},
        {kRegSz, Bytes(exact + 'e' + '\0'), exact + 'e', 2},
        {kRegSz, Bytes(large + '\0'), large, 2},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "v" + std::to_string(n++);
        backend_->PutRaw(kKey, name, c.type, c.stored);
        const auto before = backend_->Counts();
        EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey, name), c.expected) << name;
        if (before) { // where the store counts its queries
            EXPECT_EQ(backend_->Counts()->second - before->second, c.queries) << name;
        }
    }
}

TEST_F(RegistryTest, EnumeratesInOrderPastLargeAndUnsupportedValues) {
    EXPECT_EQ(registry_.EnumRegistryValues(kHkeyLocalMachine, kKey).Count(), 0);
    EXPECT_EQ(registry_.EnumRegistryValues(kHkeyLocalMachine, kKey + "\\Missing").Count(), 0);
    // A value beyond the 4096-byte data buffer, and one without conversion,
    // must not hide the values listed after them.
    ByteArray big(5000, 'z');
    big.back() = 0;
    backend_->PutRaw(kKey, "a big", kRegSz, big);
    backend_->PutRaw(kKey, "b qword", kRegQword, ByteArray(8, 0));
    backend_->PutRaw(kKey, "c zone", kRegDword, {5, 0, 0, 0});
    backend_->PutRaw(kKey, "d bytes", kRegBinary, {9});
    const auto entries = registry_.EnumRegistryValues(kHkeyLocalMachine, kKey);
    std::string seen;
    entries.ForEach([&](const RegistryEntry& e) {
        seen += e.name + ":" + std::to_string(e.kind) + ":" + TextForm(e.data).substr(0, 3) + " ";
    });
    EXPECT_EQ(seen, "a big:8:zzz b qword:0: c zone:3:5 d bytes:8209: ");
    EXPECT_EQ(TextForm(entries.Item(1L)->data).size(), 4999u);
    EXPECT_EQ(entries.Item(std::string("C ZONE"))->data, Value(std::int32_t{5}));
}

TEST_F(RegistryTest, StoresEachKindAsItsTypeAndRefusesTheRest) {
    const struct {
        Value value;
        std::uint32_t type;
        ByteArray stored;
    } cases[] = {
        {std::int32_t{599925}, kRegDword, {0x75, 0x27, 0x09, 0}},
        {std::int16_t{-2}, kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}}, // widened with its sign
        {std::string("abc"), kRegSz, Bytes({"abc\0", 4})},
        {ByteArray{1, 2, 3}, kRegBinary, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "v", c.value));
        EXPECT_EQ(backend_->GetRaw(kKey, "v"), (RegistryData{c.type, c.stored}));
    }
    for (const Value& v : {Value(), Value(true), Value(std::uint8_t{1}), Value(1.5)}) {
        EXPECT_THROW(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "w", v), RegistryError);
        EXPECT_EQ(OpenKeys(), 0);
    }
    EXPECT_FALSE(backend_->GetRaw(kKey, "w"));
    // Into a missing key: refused, whatever the value's kind.
    EXPECT_FALSE(
        registry_.SetRegistryValue(kHkeyLocalMachine, kKey + "\\No", "v", std::int32_t{1}));
    EXPECT_FALSE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey + "\\No", "v", Value(1.5)));
    EXPECT_FALSE(registry_.SetRawValue(kHkeyLocalMachine, kKey + "\\No", "v", ToRegistryData(1)));
    if (!backend_->MakeReadOnly(kKey))
        GTEST_SKIP() << "this registry does not refuse writes here";
    EXPECT_FALSE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "w", std::int32_t{1}));
    EXPECT_FALSE(backend_->GetRaw(kKey, "w"));
}

TEST_F(RegistryTest, DeletesAValueInAnyLetterCaseAndAMissingOneIsAlreadyGone) {
    backend_->PutRaw(kKey, "Magic", kRegDword, {0, 0, 0, 0});
    backend_->PutRaw(kKey, "Other", kRegDword, {1, 0, 0, 0});
    EXPECT_TRUE(registry_.DeleteRegistryValue(kHkeyLocalMachine, kKey, "MAGIC"));
    EXPECT_FALSE(backend_->GetRaw(kKey, "Magic"));
    EXPECT_TRUE(backend_->GetRaw(kKey, "Other"));
    EXPECT_TRUE(registry_.DeleteRegistryValue(kHkeyLocalMachine, kKey, "Magic"));
    EXPECT_FALSE(registry_.DeleteRegistryValue(kHkeyLocalMachine, kKey + "\\No", "Magic"));
}

} // namespace
} // namespace quorin
