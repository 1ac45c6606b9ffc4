// The worker thread over std::thread.
#include "TK/tk_thread.h"

#include <chrono>
#include <system_error>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/win/last_error.h"

void tk_thread_functor::run() {
  while (!is_done() && !stop_requested()) idle();
  on_exit();
}

void tk_thread_functor::idle() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

tk_thread::tk_thread(bool owns_functor) : owns_functor_(owns_functor) {}

tk_thread::~tk_thread() {
  if (thread_.joinable()) {
    stop();
    thread_.join();
  }
  cleanup();
}

tk_thread_functor* tk_thread::create_functor() {
  owns_functor_ = true;
  return new tk_thread_functor();
}

void tk_thread::start() {
  if (is_running()) throw tk_mail_assertion("tk_threa", 92);
  cleanup();
  if (functor_ != nullptr) throw tk_mail_assertion("tk_threa", 100);
  functor_ = create_functor();
  if (functor_ == nullptr) throw tk_mail_assertion("tk_threa", 105);
  functor_->clear_stop();  // the same body may run again after a stopped run
  error_ = nullptr;
  finished_.store(false, std::memory_order_release);
  try {
    thread_ = std::thread(&tk_thread::thread_proc, this, functor_);
  } catch (const std::system_error& e) {
    finished_.store(true, std::memory_order_release);
    SetLastError(static_cast<DWORD>(e.code().value()));
    throw tk_exception_ex("Cannot start the worker thread: ", tk_kind_error);
  }
}

void tk_thread::thread_proc(tk_thread_functor* functor) {
  // An exception that left the thread would end the process: keep it for the owner instead.
  try {
    if (functor == nullptr) throw tk_mail_assertion("tk_threa", 149);
    functor->run();
  } catch (...) {
    error_ = std::current_exception();
    tk_log1(tk_log_detail, "tk_thread: the body ended with an exception");
  }
  finished_.store(true, std::memory_order_release);
}

bool tk_thread::is_running() const { return thread_.joinable() && !finished_.load(std::memory_order_acquire); }

void tk_thread::stop() {
  if (functor_ != nullptr && is_running()) functor_->request_stop();
}

void tk_thread::join() {
  if (thread_.joinable()) thread_.join();
}

void tk_thread::cleanup() {
  if (is_running()) throw tk_mail_assertion("tk_threa", 71);
  if (thread_.joinable()) thread_.join();  // the body has returned: this does not wait
  if (owns_functor_) delete functor_;
  functor_ = nullptr;
}

std::exception_ptr tk_thread::error() const { return finished_.load(std::memory_order_acquire) ? error_ : nullptr; }

void tk_thread::rethrow_error() const {
  std::exception_ptr e = error();
  if (e) std::rethrow_exception(e);
}
