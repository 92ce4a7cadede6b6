#pragma once
// The order of the data set's keyed lists: ASCII case-insensitive, exactly that of compare_ignore_case.
// Inline because the tens of thousands of cross-references resolved while loading go through it.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
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

// Bytes [from, from + 8) of a key, upper-cased and packed big-endian (bytes past the end are 0): words
// compare as the bytes they hold do. All eight bytes are upper-cased at once; bytes 128 and above are
// left alone.
inline std::uint64_t key_word(std::string_view key, std::size_t from) {
    std::uint64_t word = 0;
    if (from + 8 <= key.size()) {
        std::memcpy(&word, key.data() + from, 8); // one load
    } else if (from < key.size()) {
        unsigned char bytes[8] = {};
        for (std::size_t i = from; i < key.size(); ++i)
            bytes[i - from] = static_cast<unsigned char>(key[i]);
        std::memcpy(&word, bytes, 8);
    }
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    constexpr std::uint64_t ones = 0x0101010101010101u;
    const std::uint64_t low7 = word & (0x7F * ones);
    const std::uint64_t from_a = low7 + (0x80 - 'a') * ones;   // bit 7 set where low7 >= 'a'
    const std::uint64_t past_z = low7 + (0x80 - 'z' - 1) * ones; // bit 7 set where low7 > 'z'
    const std::uint64_t lower = from_a & ~past_z & ~word & (0x80 * ones);
    return word - (lower >> 2); // 0x20 less in each lower-case letter
}

// The first 8 bytes of a key as key_word packs them. Keys never hold byte 0 (data bytes are 21 and
// above), so padding sorts before every character as a shorter key does: two keys whose prefixes differ
// are ordered as their prefixes are.
inline std::uint64_t key_prefix(std::string_view key) {
    return key_word(key, 0);
}

// compare_keys(a, b) == 0, eight bytes at a time.
inline bool equal_keys(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t from = 0; from < a.size(); from += 8)
        if (key_word(a, from) != key_word(b, from)) return false;
    return true;
}

// A hash of the whole key that ignores ASCII case like compare_keys; first is key_prefix(key).
inline std::uint64_t key_hash(std::string_view key, std::uint64_t first) {
    constexpr std::uint64_t golden = 0x9E3779B97F4A7C15u;
    std::uint64_t h = (first ^ key.size()) * golden;
    for (std::size_t from = 8; from < key.size(); from += 8)
        h = (h ^ (h >> 29) ^ key_word(key, from)) * golden;
    return (h ^ (h >> 32)) * golden;
}

// An open-addressing table of positions 0..n-1 in a list, with linear probing. Each slot keeps a tag
// (a word and a small number) beside the position, so that a probe rejects most other entries without
// reading the list.
class ProbeTable {
public:
    // Room for n entries at most half full, so that a probe seldom goes past a few slots.
    void reset(std::size_t n) {
        std::size_t capacity = 8;
        int bits = 3;
        while (capacity < 2 * n) {
            capacity *= 2;
            ++bits;
        }
        slots_.assign(capacity, Slot{});
        shift_ = 64 - bits;
    }
    // hash: well mixed in its upper bits (the slot is taken from them).
    void insert(std::uint64_t hash, std::uint64_t word, std::uint32_t small, std::size_t position) {
        std::size_t i = static_cast<std::size_t>(hash >> shift_);
        while (slots_[i].position != 0)
            i = (i + 1) & (slots_.size() - 1);
        slots_[i] = {word, small, static_cast<std::uint32_t>(position + 1)};
    }
    // The first position with this tag for which confirm(position) holds; -1 when none.
    template <typename Confirm>
    std::ptrdiff_t find(std::uint64_t hash, std::uint64_t word, std::uint32_t small, Confirm confirm) const {
        if (slots_.empty()) return -1;
        for (std::size_t i = static_cast<std::size_t>(hash >> shift_);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[i];
            if (slot.position == 0) return -1;
            if (slot.word == word && slot.small == small && confirm(slot.position - 1))
                return static_cast<std::ptrdiff_t>(slot.position - 1);
        }
    }

private:
    struct Slot {
        std::uint64_t word = 0;
        std::uint32_t small = 0;
        std::uint32_t position = 0; // 1-based; 0: empty
    };
    std::vector<Slot> slots_;
    int shift_ = 64;
};

// A list of records sorted by key with a hash index over the keys, so that a lookup costs about one
// probe whatever the list's length. The index holds each key's first 8 bytes and its length: keys of
// up to 8 bytes (most keys of a disc) are confirmed without reading the record.
template <typename T, typename KeyOf> class KeyedList {
public:
    const std::vector<T*>& records() const { return records_; }

    // sorted must be in compare_keys order without equal keys.
    void assign(std::vector<T*> sorted) {
        records_ = std::move(sorted);
        index_.reset(records_.size());
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const std::string_view key = KeyOf{}(*records_[i]);
            const std::uint64_t first = key_prefix(key);
            index_.insert(key_hash(key, first), first, length_tag(key), i);
        }
    }

    T* find(std::string_view key) const {
        const std::uint64_t first = key_prefix(key);
        const std::ptrdiff_t at = index_.find(key_hash(key, first), first, length_tag(key), [&](std::size_t i) {
            return key.size() <= 8 || equal_keys(KeyOf{}(*records_[i]), key);
        });
        return at < 0 ? nullptr : records_[static_cast<std::size_t>(at)];
    }

private:
    // The key's length; the largest value stands for any longer key.
    static std::uint32_t length_tag(std::string_view key) {
        return static_cast<std::uint32_t>(
            std::min<std::size_t>(key.size(), std::numeric_limits<std::uint32_t>::max()));
    }

    std::vector<T*> records_;
    ProbeTable index_;
};

} // namespace morvelin
