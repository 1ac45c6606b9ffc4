// Process-wide single objects: T derives from tk_singleton<T>, the program constructs T where it
// should live, the first T registers itself and the accessors hand out its address.
#pragma once

#include <atomic>

#include "TK/tk_exception.h"

template <typename T>
class tk_singleton {
 public:
  // The registered T; a failed internal check when none exists.
  static T* get_instance() {
    tk_singleton* p = registered_.load(std::memory_order_acquire);
    if (p == nullptr) throw tk_mail_assertion("tk_singl", 64);
    return static_cast<T*>(p);
  }
  static T* instance() {
    tk_singleton* p = registered_.load(std::memory_order_acquire);
    if (p == nullptr) throw tk_mail_assertion("tk_singl", 71);
    return static_cast<T*>(p);
  }
  // Whether a T is registered, for code that may run without one.
  static bool exists() { return registered_.load(std::memory_order_acquire) != nullptr; }

 protected:
  // Registers this object only when no other T is registered.
  tk_singleton() {
    tk_singleton* expected = nullptr;
    registered_.compare_exchange_strong(expected, this, std::memory_order_acq_rel);
  }
  // Clears the registration only when this is the registered object: a second, unregistered T
  // (a nested engine of a driver operation) must not unregister the live one.
  virtual ~tk_singleton() {
    tk_singleton* expected = this;
    registered_.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
  }
  // Whether this object is the registered T.
  bool is_registered() const { return registered_.load(std::memory_order_acquire) == this; }
  tk_singleton(const tk_singleton&) = delete;
  tk_singleton& operator=(const tk_singleton&) = delete;

 private:
  // The base subobject of the registered T (the downcast waits until T is whole).
  static inline std::atomic<tk_singleton*> registered_{nullptr};
};
