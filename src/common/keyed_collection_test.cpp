#include "common/keyed_collection.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

TEST(KeyedCollection, NumbersFromOneKeysInAnyCaseAndRefusesWithoutChange) {
    KeyedCollection<int> c;
    c.Add(std::make_shared<int>(10), "Alpha");
    c.Add(std::make_shared<int>(20));
    c.Add(std::make_shared<int>(30), "gamma");
    EXPECT_EQ(*c.Item(1L) + *c.Item(3L) * 10 + *c.Item(std::string("ALPHA")) * 100, 1310);
    EXPECT_THROW(c.Add(std::make_shared<int>(40), "alpha"), CollectionError);
    for (const IndexOrKey& bad : {IndexOrKey(0L), IndexOrKey(4L), IndexOrKey(-1L),
                                  IndexOrKey(std::string("beta")), IndexOrKey(std::string())}) {
        EXPECT_THROW(c.Item(bad), CollectionError);
        EXPECT_THROW(c.Remove(bad), CollectionError);
    }
    const auto kept = c.Item(std::string("alpha"));
    c.Remove(std::string("alpha")); // the rest move up; the key is free again
    c.Add(std::make_shared<int>(50), "ALPHA");
    std::vector<int> seen;
    c.ForEach([&](int v) { seen.push_back(v); });
    EXPECT_EQ(seen, (std::vector<int>{20, 30, 50}));
    EXPECT_EQ(*kept + *c.Item(std::string("Gamma")), 40); // a member taken out lives on
}

} // namespace
} // namespace quorin
