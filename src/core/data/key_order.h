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

// A hash of a key that equal keys share (ASCII case ignored, as compare_keys does).
inline std::uint32_t key_hash(std::string_view key) {
    std::uint32_t h = 2166136261u; // FNV-1a
    for (unsigned char c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        h = (h ^ c) * 16777619u;
    }
    return h;
}

// A list of records sorted by key, with a hash index for lookups: the tens of thousands of
// cross-references resolved while loading cost a probe or two each instead of a binary search whose
// every step waits for the one before.
template <typename T, typename KeyOf> class KeyedList {
public:
    const std::vector<T*>& records() const { return records_; }

    // sorted must be in compare_keys order, each key once.
    void assign(std::vector<T*> sorted) {
        records_ = std::move(sorted);
        std::size_t size = 4;
        while (size < 2 * records_.size())
            size *= 2;
        slots_.assign(size, Slot{});
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const std::uint32_t h = key_hash(KeyOf{}(*records_[i]));
            std::size_t at = h & (size - 1);
            while (slots_[at].index != 0)
                at = (at + 1) & (size - 1);
            slots_[at] = {h, static_cast<std::uint32_t>(i + 1)};
        }
    }

    T* find(std::string_view key) const {
        if (slots_.empty()) return nullptr;
        const std::uint32_t h = key_hash(key);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = h & mask; slots_[at].index != 0; at = (at + 1) & mask) {
            if (slots_[at].hash != h) continue;
            T* record = records_[slots_[at].index - 1];
            if (compare_keys(KeyOf{}(*record), key) == 0) return record;
        }
        return nullptr;
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t index = 0; // 1-based in records_; 0: free
    };
    std::vector<T*> records_;
    std::vector<Slot> slots_; // open addressing with linear probing; at most half full
};

} // namespace morvelin
