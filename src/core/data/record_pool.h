#pragma once
// Owning storage for many small records of one type with stable addresses: records are placed in
// chunks that never move, so other records may point at them for the life of the pool. Cheaper in
// memory and time than one heap block per record.

#include <cstddef>
#include <memory>
#include <vector>

namespace morvelin {

template <typename T, std::size_t chunk_size = 128> class RecordPool {
public:
    RecordPool() = default;
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;
    RecordPool(RecordPool&&) noexcept = default;
    RecordPool& operator=(RecordPool&&) noexcept = default;

    // A new default-constructed record, owned by the pool.
    T& add() {
        if (size_ % chunk_size == 0) chunks_.push_back(std::make_unique<T[]>(chunk_size));
        T& record = chunks_.back()[size_ % chunk_size];
        ++size_;
        return record;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Records in the order they were added.
    T& operator[](std::size_t i) { return chunks_[i / chunk_size][i % chunk_size]; }
    const T& operator[](std::size_t i) const { return chunks_[i / chunk_size][i % chunk_size]; }

    template <typename F> void for_each(F&& f) {
        for (std::size_t i = 0; i < size_; ++i)
            f((*this)[i]);
    }
    template <typename F> void for_each(F&& f) const {
        for (std::size_t i = 0; i < size_; ++i)
            f((*this)[i]);
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

} // namespace morvelin
