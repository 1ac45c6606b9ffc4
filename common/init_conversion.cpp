// The conversion scope.
#include "common/init_conversion.h"

#include "TK/tk_logger.h"
#include "common/front_end.h"
#include "platform/oleaut/objbase.h"
#include "platform/win/local_time.h"

namespace {

void log_time(const char* format) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  tk_log1(tk_log_event, format, now.wDay, now.wMonth, now.wYear, now.wHour, now.wMinute, now.wSecond);
}

}  // namespace

init_conversion::init_conversion(std::atomic<bool>* done, std::uint32_t skip_com) : skip_com_(skip_com), done_(done) {
  tk_log1(tk_log_detail, "init_conversion::ctor");
  log_time("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d");
  if (skip_com_ == 0) CoInitialize(nullptr);
  if (conversion_front_end::exists()) conversion_front_end::get_instance()->run_started();
}

init_conversion::~init_conversion() {
  tk_log1(tk_log_detail, "init_conversion::dtor");
  if (skip_com_ == 0) CoUninitialize();
  log_time("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d");
  if (conversion_front_end::exists()) conversion_front_end::get_instance()->run_ended();
  if (done_ != nullptr) done_->store(true, std::memory_order_release);
}
