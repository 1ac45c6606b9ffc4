// Removal of the process's temporary files when a signal or exit() ends it.
//
// The signal handler may only do what is async-signal-safe: it reads paths stored beforehand in
// fixed slots, unlinks them, restores the previous disposition and raises the signal again, so
// that the process ends (or the previous handler runs) as the signal meant.
#include "TK/tk_exit_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr int kSlots = 16;
constexpr std::size_t kPathBytes = 4096;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

enum slot_state : int { slot_free = 0, slot_filling = 1, slot_armed = 2 };

struct slot {
  std::atomic<int> state{slot_free};
  char path[kPathBytes];
};

slot slots[kSlots];
struct sigaction previous[kSignalCount];
std::once_flag installed;

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

void remove_armed() {
  for (slot& s : slots) {
    if (s.state.load() == slot_armed) ::unlink(s.path);
  }
}

extern "C" void on_signal(int signal_number) {
  const int saved_errno = errno;
  remove_armed();
  for (int i = 0; i < kSignalCount; ++i) {
    if (kSignals[i] == signal_number) ::sigaction(signal_number, &previous[i], nullptr);
  }
  errno = saved_errno;
  // Delivered once this handler returns: the default action ends the process with the signal.
  ::raise(signal_number);
}

extern "C" void on_exit_call() { remove_armed(); }

void install() {
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    if (::sigaction(kSignals[i], &action, &previous[i]) != 0) continue;
    // A signal the process was started to ignore (nohup, a background job) stays ignored.
    if (previous[i].sa_handler == SIG_IGN) ::sigaction(kSignals[i], &previous[i], nullptr);
  }
  std::atexit(on_exit_call);
}

}  // namespace

int tk_remove_on_exit(const std::string& path) {
  if (path.empty() || path.size() >= kPathBytes) return -1;
  std::call_once(installed, install);
  for (int i = 0; i < kSlots; ++i) {
    int expected = slot_free;
    if (!slots[i].state.compare_exchange_strong(expected, slot_filling)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(slot_armed);
    return i;
  }
  return -1;
}

void tk_keep_on_exit(int handle) {
  if (handle >= 0 && handle < kSlots) slots[handle].state.store(slot_free);
}
