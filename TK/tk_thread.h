// A worker thread running one body object. The body is asked to stop through a flag that its long
// work checks; nothing is ever killed, and the owner joins the thread before it goes away.
#pragma once

#include <atomic>
#include <exception>
#include <thread>

// The body a tk_thread runs. A subclass overrides run with its work (the converter runs one whole
// conversion), checking stop_requested between records and tables.
class tk_thread_functor {
 public:
  virtual ~tk_thread_functor() = default;

  // Default: idle until is_done or a stop request, then on_exit.
  virtual void run();
  virtual bool is_done() { return false; }
  // Sleeps 100 ms.
  virtual void idle();
  virtual void on_exit() {}

  // Asks the body to stop; safe from any thread. The request stays until clear_stop.
  void request_stop() { stop_.store(true, std::memory_order_release); }
  bool stop_requested() const { return stop_.load(std::memory_order_acquire); }
  void clear_stop() { stop_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> stop_{false};
};

class tk_thread {
 public:
  // owns_functor: whether the functor is deleted with the thread (create_functor may set it).
  explicit tk_thread(bool owns_functor);
  // A thread still running is asked to stop and joined; then cleanup. A subclass whose members
  // the body uses stops and joins in its own destructor, before those members go.
  virtual ~tk_thread();
  tk_thread(const tk_thread&) = delete;
  tk_thread& operator=(const tk_thread&) = delete;

  // The body to run. Default: a plain tk_thread_functor, owned by the thread.
  virtual tk_thread_functor* create_functor();

  // Starts a run with a new functor from create_functor; a thread still running is an internal
  // error. A thread the system cannot create is a tk_exception_ex (kind 1), never a silent no-op.
  void start();
  // Whether a started body has not yet returned. Does not block.
  bool is_running() const;
  // Asks the running body to stop (see tk_thread_functor::request_stop); does not wait.
  void stop();
  // Waits until the body has returned.
  void join();
  // Joins a finished thread and releases the functor (when owned); an internal error while the
  // thread still runs.
  void cleanup();

  // What the body threw, for the owner's error path (null when it returned normally). Valid once
  // is_running answers false.
  std::exception_ptr error() const;
  // Rethrows that exception on the calling thread, if any.
  void rethrow_error() const;

 protected:
  tk_thread_functor* functor() const { return functor_; }
  bool owns_functor_;

 private:
  void thread_proc(tk_thread_functor* functor);

  std::thread thread_;
  tk_thread_functor* functor_ = nullptr;
  std::atomic<bool> finished_{true};
  std::exception_ptr error_;  // written by the worker before finished_ turns true
};
