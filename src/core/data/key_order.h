#pragma once
// The order of the data set's keyed lists: ASCII case-insensitive, exactly that of compare_ignore_case.
// Inline because the tens of thousands of cross-references resolved while loading go through it.

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace morvelin {

inline int compare_keys(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The first 8 bytes of a key, upper-cased and packed big-endian (shorter keys padded with 0): two keys
// whose prefixes differ are ordered as their prefixes are. Keys never hold byte 0 (data bytes are 21
// and above), so padding sorts before every character as a shorter key does.
inline std::uint64_t key_prefix(std::string_view key) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        unsigned char c = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        prefix = prefix << 8 | c;
    }
    return prefix;
}

// std::lower_bound written so that the compiler chooses conditional moves over jumps: the searches
// while loading are many and their outcome is unpredictable.
template <typename V> std::size_t lower_bound_index(const std::vector<V>& sorted, V value) {
    const V* base = sorted.data();
    std::size_t n = sorted.size();
    if (n == 0) return 0;
    while (n > 1) {
        const std::size_t half = n / 2;
        base = base[half - 1] < value ? base + half : base;
        n -= half;
    }
    return static_cast<std::size_t>(base - sorted.data()) + (*base < value ? 1 : 0);
}

// A list of records sorted by key with a compact copy of the key prefixes, so that a binary search
// touches one contiguous array instead of a record per step.
template <typename T, typename KeyOf> class KeyedList {
public:
    const std::vector<T*>& records() const { return records_; }

    // sorted must be in compare_keys order.
    void assign(std::vector<T*> sorted) {
        records_ = std::move(sorted);
        prefixes_.clear();
        prefixes_.reserve(records_.size());
        for (const T* r : records_)
            prefixes_.push_back(key_prefix(KeyOf{}(*r)));
    }

    T* find(std::string_view key) const {
        const std::uint64_t prefix = key_prefix(key);
        const auto it = prefixes_.begin() + static_cast<std::ptrdiff_t>(lower_bound_index(prefixes_, prefix));
        // A key shorter than 8 bytes lies wholly in its prefix, padding included: an equal prefix is an
        // equal key, and the record need not be read.
        if (key.size() < 8)
            return it != prefixes_.end() && *it == prefix ? records_[it - prefixes_.begin()] : nullptr;
        for (auto i = static_cast<std::size_t>(it - prefixes_.begin());
             i < prefixes_.size() && prefixes_[i] == prefix; ++i) {
            const int c = compare_keys(KeyOf{}(*records_[i]), key);
            if (c == 0) return records_[i];
            if (c > 0) break;
        }
        return nullptr;
    }

private:
    std::vector<T*> records_;
    std::vector<std::uint64_t> prefixes_;
};

} // namespace morvelin
