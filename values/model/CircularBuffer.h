// Fixed-capacity ring of the most recent elements, oldest overwritten first.
#pragma once

#include <array>
#include <cstddef>
#include <mutex>
#include <vector>

namespace zrl {

template <typename T, std::size_t Capacity = 7200>
class CircularBuffer {
 public:
  // Optional copy of an element into its slot (for elements that need more
  // than assignment); plain assignment when null.
  using CopyFunction = void (*)(T& slot, const T& element);

  explicit CircularBuffer(CopyFunction copy = nullptr) : copy_(copy) {}
  virtual ~CircularBuffer() = default;
  CircularBuffer(const CircularBuffer&) = delete;
  CircularBuffer& operator=(const CircularBuffer&) = delete;

  static constexpr std::size_t capacity() { return Capacity; }
  static constexpr std::size_t elementSize() { return sizeof(T); }

  void push(const T& element) {
    std::lock_guard<std::mutex> guard(lock_);
    if (copy_) {
      copy_(slots_[write_], element);
    } else {
      slots_[write_] = element;
    }
    write_ = (write_ + 1) % Capacity;
    if (count_ < Capacity) {
      ++count_;
    } else {
      oldest_ = (oldest_ + 1) % Capacity;
    }
  }

  std::size_t size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return count_;
  }

  bool empty() const { return size() == 0; }

  // The most recent element; false when the ring is empty.
  bool newest(T& out) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (count_ == 0) return false;
    out = slots_[(write_ + Capacity - 1) % Capacity];
    return true;
  }

  // All elements, oldest first.
  std::vector<T> snapshot() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<T> out;
    out.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) out.push_back(slots_[(oldest_ + i) % Capacity]);
    return out;
  }

  void clear() {
    std::lock_guard<std::mutex> guard(lock_);
    write_ = oldest_ = count_ = 0;
  }

 private:
  mutable std::mutex lock_;
  CopyFunction copy_;
  std::array<T, Capacity> slots_{};
  std::size_t write_ = 0;
  std::size_t oldest_ = 0;
  std::size_t count_ = 0;
};

}  // namespace zrl
