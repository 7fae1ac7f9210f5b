#include "common/keyed_collection.h"

#include <gtest/gtest.h>

namespace quorin {
namespace {

using Collection = KeyedCollection<int>;

Collection Three() {
    Collection c;
    c.Add(std::make_shared<int>(10), "Alpha");
    c.Add(std::make_shared<int>(20));
    c.Add(std::make_shared<int>(30), "gamma");
    return c;
}

TEST(KeyedCollection, SelectsByPositionFromOneAndByKeyInAnyCase) {
    const Collection c = Three();
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(*c.Item(1L), 10);
    EXPECT_EQ(*c.Item(3L), 30);
    EXPECT_EQ(*c.Item(std::string("ALPHA")), 10);
    EXPECT_EQ(*c.Item(std::string("Gamma")), 30);
}

TEST(KeyedCollection, BadSelectionsAndDuplicateKeysChangeNothing) {
    Collection c = Three();
    EXPECT_THROW(c.Add(std::make_shared<int>(40), "alpha"), CollectionError);
    for (const IndexOrKey& bad : {IndexOrKey(0L), IndexOrKey(4L), IndexOrKey(-1L),
                                  IndexOrKey(std::string("beta")), IndexOrKey(std::string())}) {
        EXPECT_THROW(c.Item(bad), CollectionError);
        EXPECT_THROW(c.Remove(bad), CollectionError);
    }
    EXPECT_EQ(c.Count(), 3);
    std::vector<int> seen;
    c.ForEach([&](int v) { seen.push_back(v); });
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));
}

TEST(KeyedCollection, RemovalRenumbersAndFreesTheKey) {
    Collection c = Three();
    const auto kept = c.Item(std::string("alpha"));
    c.Remove(std::string("alpha"));
    EXPECT_EQ(*kept, 10); // shared: still alive for its holder
    EXPECT_EQ(*c.Item(1L), 20);
    c.Add(std::make_shared<int>(50), "ALPHA");
    EXPECT_EQ(*c.Item(3L), 50);
}

} // namespace
} // namespace quorin
