// A keyed collection: members numbered from 1 in the order they were added,
// each with an optional text key compared without regard to letter case.
// Members are shared: a member taken out stays alive while anyone holds it.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorin {

// Raised for a duplicate key, a position outside 1..Count or an unknown key.
// The collection is unchanged when it is raised.
class CollectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

bool EqualsNoCase(std::string_view a, std::string_view b);
// `text` with A-Z in lower case, the way file and key names are compared.
std::string FoldCase(std::string text);

// A position (from 1) or a key.
using IndexOrKey = std::variant<long, std::string>;

template <typename T> class KeyedCollection {
  public:
    using Member = std::shared_ptr<T>;

    void Add(Member member, std::string key = {}) {
        if (!key.empty() && Find(key))
            throw CollectionError("This key is already associated with an element of this "
                                  "collection.");
        entries_.push_back(Entry{std::move(member), std::move(key)});
    }

    // A member, shared: it stays valid after a later Add or Remove.
    Member Item(const IndexOrKey& which) const { return entries_[Locate(which)].member; }
    void Remove(const IndexOrKey& which) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Locate(which)));
    }
    long Count() const { return static_cast<long>(entries_.size()); }

    // Visits the members in position order.
    template <typename F> void ForEach(F&& visit) const {
        for (const Entry& e : entries_)
            visit(*e.member);
    }

  private:
    struct Entry {
        Member member;
        std::string key;
    };

    std::optional<std::size_t> Find(std::string_view key) const {
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (!entries_[i].key.empty() && EqualsNoCase(entries_[i].key, key))
                return i;
        return std::nullopt;
    }

    std::size_t Locate(const IndexOrKey& which) const {
        if (const long* pos = std::get_if<long>(&which)) {
            if (*pos < 1 || *pos > Count())
                throw CollectionError("Invalid procedure call or argument");
            return static_cast<std::size_t>(*pos - 1);
        }
        if (auto i = Find(std::get<std::string>(which)))
            return *i;
        throw CollectionError("Invalid procedure call or argument");
    }

    std::vector<Entry> entries_;
};

} // namespace quorin
