// Ownership of one COM interface reference: every DAO object the Access source holds lives in
// one of these, so a reference is released exactly once whatever way the holder is left.
#pragma once

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/oleaut/unknwn.h"

template <class T>
class ole_com_ptr {
 public:
  ole_com_ptr() = default;
  // Shares a pointer somebody else owns: takes a reference of its own.
  explicit ole_com_ptr(T* shared) : p_(shared) {
    if (p_) p_->AddRef();
  }
  ole_com_ptr(const ole_com_ptr&) = delete;
  ole_com_ptr& operator=(const ole_com_ptr&) = delete;
  virtual ~ole_com_ptr() { release(); }

  // For a call that hands out an interface through an out-parameter: the holder owns what the
  // call stores (anything held before is released first).
  T** out() {
    release();
    return &p_;
  }
  // A null holder is an internal error here rather than a crash at the call.
  T* operator->() const {
    if (!p_) throw tk_mail_assertion("ole_ptr", 94);
    return p_;
  }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void release() {
    if (!p_) return;
    ULONG left = p_->Release();
    p_ = nullptr;
    tk_log1(tk_log_trace, "ole_com_ptr<T>::~ole_com_ptr() - %u refs left", static_cast<unsigned>(left));
  }

 private:
  T* p_ = nullptr;
};
