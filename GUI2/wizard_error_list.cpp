// The errors of a wizard run.
#include "GUI2/wizard_error_list.h"

bool wizard_error_list::add(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() >= max_entries) {
    ++dropped_;
    return false;
  }
  entries_.push_back(text);
  return true;
}

std::vector<std::string> wizard_error_list::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::size_t wizard_error_list::dropped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

bool wizard_error_list::empty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.empty();
}

void wizard_error_list::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  dropped_ = 0;
}
