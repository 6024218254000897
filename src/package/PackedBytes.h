#pragma once

#include <cstddef>
#include <memory>

// A chunk's compressed bytes, in a buffer sized for the worst case whose pages
// become resident only as far as they are written: a chunk is compressed or
// read straight into it, with no copy.
class PackedBytes {
public:
    // Room for `capacity` bytes; what the buffer held is gone.
    unsigned char* reserve(std::size_t capacity)
    {
        if (capacity > capacity_) {
            data_ = std::make_unique_for_overwrite<unsigned char[]>(capacity);
            capacity_ = capacity;
        }
        size_ = 0;
        return data_.get();
    }
    // After writing into the reserved room: how much of it holds bytes.
    void resize(std::size_t size) { size_ = size; }

    unsigned char* data() { return data_.get(); }
    const unsigned char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<unsigned char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};
