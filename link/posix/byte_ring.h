// Linux FTDI layer's receive buffer: a fixed-size ring of bytes that never grows.
//
// push stores what fits and refuses the rest: bytes already waiting are never overwritten, so
// what a reader takes out is always an unbroken, ordered run of what came in. Not locked: its
// owner guards it.
#pragma once

#include <cstddef>
#include <cstdint>

template <std::size_t Capacity>
class ByteRing {
    static_assert(Capacity > 0, "a ring holds at least one byte");

  public:
    static constexpr std::size_t capacity() { return Capacity; }
    std::size_t size() const { return size_; }

    // Appends up to count bytes, as many as there is room for; returns how many it took.
    std::size_t push(const std::uint8_t* bytes, std::size_t count) {
        std::size_t taken = 0;
        while (taken < count && size_ < Capacity) {
            std::size_t tail = head_ + size_;
            if (tail >= Capacity) {
                tail -= Capacity;
            }
            data_[tail] = bytes[taken++];
            ++size_;
        }
        return taken;
    }

    // Takes up to count of the oldest bytes into out; returns how many.
    std::size_t pop(std::uint8_t* out, std::size_t count) {
        std::size_t given = 0;
        while (given < count && size_ > 0) {
            out[given++] = data_[head_];
            head_ = head_ + 1 == Capacity ? 0 : head_ + 1;
            --size_;
        }
        return given;
    }

    void clear() {
        head_ = 0;
        size_ = 0;
    }

  private:
    std::uint8_t data_[Capacity] = {};
    std::size_t head_ = 0;  // the oldest byte
    std::size_t size_ = 0;
};
