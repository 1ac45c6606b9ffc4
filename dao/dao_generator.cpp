// The blank workgroup file of an engine without a workgroup of the user's.
#include "dao/dao_generator.h"

#include <cstdio>
#include <cstring>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

dao_generator::dao_generator() { tk_log1(tk_log_detail, "dao_generator::ctor"); }

dao_generator::~dao_generator() {
  tk_log1(tk_log_detail, "dao_generator::dtor");
  if (generated_) {
    // The engine leaves its lock file beside the workgroup file; neither may outlive the run.
    std::remove((name_ + ".ldb").c_str());
    file_.reset();
  }
}

void dao_generator::do_generate(std::uint32_t size, const std::uint8_t* data) {
  tk_log1(tk_log_detail, "dao_generator::do_generate");
  if (data == nullptr) throw tk_mail_assertion("dao_gen", 54);
  // A fixed name in a shared or the working folder could be a link planted by someone else, or
  // the file of another run: the name is new and the file is created, never opened.
  auto file = std::make_unique<tk_temp_file>(tk_temp_folder() + "/ostrelle-workgroup", ".mdw", 0600);
  if (!file->is_open()) {
    tk_log1(tk_log_detail, "Cannot create the workgroup file: %s", std::strerror(file->error()));
    throw tk_exception("Cannot create a temporary workgroup information file", tk_kind_error);
  }
  tk_log1(tk_log_detail, "GOT GENERATED NAME: %s", file->path().c_str());
  if (!file->write_all(std::string(reinterpret_cast<const char*>(data), size)) || !file->close(false)) {
    throw tk_exception("Cannot write a temporary workgroup information file", tk_kind_error);
  }
  name_ = file->path();
  file_ = std::move(file);
  generated_ = true;
}

std::vector<std::uint8_t> dao_blank_workgroup(std::uint32_t engine_code) {
  std::uint32_t size = 0;
  std::uint32_t format = 0;
  switch (engine_code) {
    case 0:
    case 3:
      size = 0x23000;
      format = 1;
      break;
    case 1:
      size = 0x20000;
      format = 0;
      break;
    default: return {};
  }
  // A workgroup file is a Jet database file that names itself a system database in its header.
  std::vector<std::uint8_t> image(size, 0);
  static const std::uint8_t magic[4] = {0x00, 0x01, 0x00, 0x00};
  std::memcpy(image.data(), magic, sizeof magic);
  std::memcpy(image.data() + 4, "Jet System DB  ", 16);  // the trailing NUL is part of it
  for (int i = 0; i < 4; ++i) image[20 + i] = static_cast<std::uint8_t>(format >> (8 * i));
  return image;
}
