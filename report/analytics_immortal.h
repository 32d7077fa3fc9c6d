#pragma once
// Process-wide objects that the analytics worker may still touch while the process ends:
// constructed on first use and never destroyed, so static destruction cannot free them
// under a running thread.
#include <utility>

namespace orb_analytics {

template <typename T>
class Immortal {
 public:
  template <typename... Args>
  explicit Immortal(Args&&... args) : value_(std::forward<Args>(args)...) {}
  ~Immortal() {}  // deliberately leaves value_ alive
  Immortal(const Immortal&) = delete;
  Immortal& operator=(const Immortal&) = delete;

  T& get() { return value_; }

 private:
  union {
    T value_;
  };
};

}  // namespace orb_analytics
