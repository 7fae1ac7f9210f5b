// Runs against the in-memory store natively and the real registry under Wine.
#include "install/registry.h"

#include <gtest/gtest.h>

#include "tests/support/registry_backend.h"

namespace quorin {
namespace {

using test::CountingRegistryApi;

const std::string kTestRoot = "SOFTWARE\\QuorinTest";
const std::string kKey = kTestRoot + "\\Values";

ByteArray Bytes(std::string_view s) { return ByteArray(s.begin(), s.end()); }

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { backend_->DeleteKeyTree(kTestRoot); }
    void TearDown() override {
        EXPECT_EQ(counting_.OpenKeys(), 0) << "a key was left open";
        backend_->DeleteKeyTree(kTestRoot);
    }

    std::unique_ptr<test::RegistryBackend> backend_ = test::MakeRegistryBackend();
    CountingRegistryApi counting_{backend_->Api()};
    Registry registry_{counting_};
};

struct ReadCase {
    const char* what;
    std::uint32_t type;
    ByteArray stored;
    Value expected;
};

TEST_F(RegistryTest, ConvertsEachStoredTypeOnRead) {
    const ReadCase cases[] = {
        {"REG_SZ drops its terminator", kRegSz, Bytes({"abc\0", 4}), std::string("abc")},
        {"REG_SZ of size 0 is empty text", kRegSz, {}, std::string()},
        {"REG_EXPAND_SZ stays unexpanded", kRegExpandSz, Bytes({"%SystemRoot%\\x\0", 15}),
         std::string("%SystemRoot%\\x")},
        {"REG_MULTI_SZ keeps inner zeros", kRegMultiSz, Bytes({"a\0b\0\0", 5}),
         std::string("a\0b", 3)},
        {"REG_MULTI_SZ too short is empty", kRegMultiSz, Bytes({"\0", 1}), std::string()},
        {"REG_BINARY holds every byte", kRegBinary, ByteArray{0, 0xFF, 7}, ByteArray{0, 0xFF, 7}},
        {"REG_BINARY of size 0", kRegBinary, {}, ByteArray{}},
        {"REG_DWORD is signed", kRegDword, ByteArray{0xFF, 0xFF, 0xFF, 0xFF}, std::int32_t{-1}},
        {"REG_DWORD little-endian", kRegDword, ByteArray{0x75, 0x27, 0x09, 0x00},
         std::int32_t{599925}},
    };
    for (const ReadCase& c : cases) {
        backend_->PutRaw(kKey, c.what, c.type, c.stored);
        EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey, c.what), c.expected)
            << c.what;
    }
}

TEST_F(RegistryTest, ReadsPastTheFirstBufferWithOneRetry) {
    for (std::size_t length : {1023u, 1024u, 5000u}) {
        std::string text(length, 'x');
        text.back() = 'y';
        ByteArray stored = Bytes(text);
        stored.push_back(0); // 1024, 1025 and 5001 bytes
        backend_->PutRaw(kKey, "big", kRegSz, stored);
        const int before = counting_.Queries();
        EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey, "big"), Value(text));
        EXPECT_EQ(counting_.Queries() - before, stored.size() <= 1024 ? 1 : 2) << length;
    }
}

TEST_F(RegistryTest, UnreadableGivesTheDefault) {
    backend_->CreateKey(kKey);
    EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey, "absent"), Value());
    EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey, "absent", std::string("d")),
              Value(std::string("d")));
    EXPECT_EQ(registry_.GetRegistryValue(kHkeyLocalMachine, kKey + "\\No", "x", std::int32_t{7}),
              Value(std::int32_t{7}));
}

TEST_F(RegistryTest, UnsupportedTypesRaise1001WithTheKeyClosed) {
    for (std::uint32_t type : {kRegQword, kRegDwordBigEndian, kRegNone}) {
        backend_->PutRaw(kKey, "odd", type, ByteArray(8, 1));
        try {
            registry_.GetRegistryValue(kHkeyLocalMachine, kKey, "odd", std::string("d"));
            ADD_FAILURE() << "type " << type << " converted";
        } catch (const RegistryError& e) {
            EXPECT_EQ(e.Number(), 1001);
            EXPECT_STREQ(e.what(), "Unsupported value type");
            EXPECT_EQ(counting_.OpenKeys(), 0);
        }
    }
}

TEST_F(RegistryTest, KeyExistsOnlyForAKeyThatOpens) {
    backend_->CreateKey(kKey);
    EXPECT_TRUE(registry_.RegistryKeyExists(kHkeyLocalMachine, kKey));
    EXPECT_TRUE(registry_.RegistryKeyExists(kHkeyLocalMachine, "software\\quorintest\\VALUES"));
    EXPECT_FALSE(registry_.RegistryKeyExists(kHkeyLocalMachine, kKey + "\\Missing"));
}

TEST_F(RegistryTest, EnumeratesInOrderWithKindsAndKeys) {
    backend_->PutRaw(kKey, "a text", kRegSz, Bytes({"hi\0", 3}));
    backend_->PutRaw(kKey, "b number", kRegDword, {5, 0, 0, 0});
    backend_->PutRaw(kKey, "c bytes", kRegBinary, {9});
    const auto entries = registry_.EnumRegistryValues(kHkeyLocalMachine, kKey);
    ASSERT_EQ(entries.Count(), 3);
    EXPECT_EQ(entries.Item(1L)->name, "a text");
    EXPECT_EQ(entries.Item(1L)->data, Value(std::string("hi")));
    EXPECT_EQ(entries.Item(1L)->kind, 8);
    EXPECT_EQ(entries.Item(2L)->kind, 3);
    EXPECT_EQ(entries.Item(3L)->kind, 8209);
    EXPECT_EQ(entries.Item(std::string("B NUMBER"))->data, Value(std::int32_t{5}));
}

TEST_F(RegistryTest, EnumerationIsEmptyForAKeyWithoutValuesOrWithoutKey) {
    backend_->CreateKey(kKey);
    EXPECT_EQ(registry_.EnumRegistryValues(kHkeyLocalMachine, kKey).Count(), 0);
    EXPECT_EQ(registry_.EnumRegistryValues(kHkeyLocalMachine, kKey + "\\Missing").Count(), 0);
}

TEST_F(RegistryTest, EnumerationGoesOnPastLargeAndUnsupportedValues) {
    // A value beyond the 4096-byte data buffer, and one without conversion,
    // must not hide the values listed after them.
    ByteArray big(5000, 'z');
    big.back() = 0;
    backend_->PutRaw(kKey, "a big", kRegSz, big);
    backend_->PutRaw(kKey, "b qword", kRegQword, ByteArray(8, 0));
    backend_->PutRaw(kKey, "c last", kRegDword, {1, 0, 0, 0});
    const auto entries = registry_.EnumRegistryValues(kHkeyLocalMachine, kKey);
    ASSERT_EQ(entries.Count(), 3);
    EXPECT_EQ(std::get<std::string>(entries.Item(1L)->data).size(), 4999u);
    EXPECT_EQ(entries.Item(2L)->name, "b qword");
    EXPECT_EQ(entries.Item(2L)->kind, 0);
    EXPECT_EQ(entries.Item(3L)->data, Value(std::int32_t{1}));
}

struct WriteCase {
    const char* what;
    Value value;
    std::uint32_t type;
    ByteArray stored;
};

TEST_F(RegistryTest, StoresEachKindAsItsRegistryType) {
    backend_->CreateKey(kKey);
    const WriteCase cases[] = {
        {"int32 zero", std::int32_t{0}, kRegDword, {0, 0, 0, 0}},
        {"int32 marker", std::int32_t{599925}, kRegDword, {0x75, 0x27, 0x09, 0}},
        {"int16 widened with sign", std::int16_t{-2}, kRegDword, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"text", std::string("abc"), kRegSz, Bytes({"abc\0", 4})},
        {"bytes", ByteArray{1, 2, 3}, kRegBinary, {1, 2, 3}},
    };
    for (const WriteCase& c : cases) {
        EXPECT_TRUE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, c.what, c.value));
        const auto raw = backend_->GetRaw(kKey, c.what);
        ASSERT_TRUE(raw) << c.what;
        EXPECT_EQ(raw->type, c.type) << c.what;
        EXPECT_EQ(raw->bytes, c.stored) << c.what;
    }
}

TEST_F(RegistryTest, RefusesUnsupportedKindsWithoutWriting) {
    backend_->CreateKey(kKey);
    for (const Value& v : {Value(), Value(true), Value(std::uint8_t{1}), Value(1.5)}) {
        EXPECT_THROW(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "v", v), RegistryError);
        EXPECT_EQ(counting_.OpenKeys(), 0);
    }
    EXPECT_FALSE(backend_->GetRaw(kKey, "v"));
}

TEST_F(RegistryTest, WritingIntoAMissingKeyFailsAndCreatesNothing) {
    backend_->CreateKey(kTestRoot);
    EXPECT_FALSE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "v", std::int32_t{1}));
    EXPECT_FALSE(backend_->KeyExists(kKey));
}

TEST_F(RegistryTest, WritingIntoAReadOnlyKeyFails) {
    backend_->CreateKey(kKey);
    if (!backend_->MakeReadOnly(kKey))
        GTEST_SKIP() << "this registry does not refuse writes here";
    EXPECT_FALSE(registry_.SetRegistryValue(kHkeyLocalMachine, kKey, "v", std::int32_t{1}));
    EXPECT_FALSE(backend_->GetRaw(kKey, "v"));
}

} // namespace
} // namespace quorin
