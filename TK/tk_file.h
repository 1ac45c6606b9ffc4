// A binary file read and written at absolute offsets: the header bytes of a database or
// workgroup file, and generated files. tk_file is the interface, tk_stdio_file the stdio one.
//
// Offsets and sizes are 64-bit; every failure is a tk_exception of kind 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Open modes: 0 reads an existing file; tk_file_write also writes; tk_file_create (with write)
// empties or creates the file.
using tk_file_mode = std::uint16_t;
constexpr tk_file_mode tk_file_read = 0;
constexpr tk_file_mode tk_file_write = 1;
constexpr tk_file_mode tk_file_create = 3;

class tk_file {
 public:
  // name is made absolute; without the write bit the file must exist ("Bad path or busy with
  // another process"). An empty name is an internal error.
  tk_file(const std::string& name, tk_file_mode mode);
  virtual ~tk_file();
  tk_file(const tk_file&) = delete;
  tk_file& operator=(const tk_file&) = delete;

  // Reads `length` bytes at `offset` into buffer; the whole range must lie inside the file.
  virtual void* get_at(std::uint64_t offset, void* buffer, std::uint64_t length) = 0;
  virtual std::uint8_t get_byte(std::uint64_t offset) = 0;
  virtual std::uint16_t get_word(std::uint64_t offset) = 0;   // low byte first
  virtual std::uint32_t get_dword(std::uint64_t offset) = 0;  // low byte first
  virtual bool is_eof();
  // Writes `length` bytes at `offset`; an offset past the end pads the gap with zero bytes.
  virtual void put_at(std::uint64_t offset, const void* buffer, std::uint64_t length) = 0;
  virtual std::uint64_t get_length() = 0;

  const std::string& name() const { return name_; }

 protected:
  FILE* stream_ = nullptr;
  tk_file_mode mode_;
  std::string name_;
};

class tk_stdio_file : public tk_file {
 public:
  tk_stdio_file(const std::string& name, tk_file_mode mode);

  void* get_at(std::uint64_t offset, void* buffer, std::uint64_t length) override;
  std::uint8_t get_byte(std::uint64_t offset) override;
  std::uint16_t get_word(std::uint64_t offset) override;
  std::uint32_t get_dword(std::uint64_t offset) override;
  void put_at(std::uint64_t offset, const void* buffer, std::uint64_t length) override;
  std::uint64_t get_length() override;
};
