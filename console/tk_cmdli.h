// The console program's command-line walker: each argument is matched by its whole option name
// against a table of option names and handed out as an option id and the text after the name.
#pragma once

#include <cstdint>

// One row of an option table. A table ends with a row whose name is empty. A name that ends in
// "=" takes a value; any other name is a flag.
struct cmd_option {
  std::int32_t id;
  const char* name;
};

// The id of an argument that does not begin with "-".
constexpr std::int32_t cmd_positional = -1;
// The id of an argument that begins with "-" and names no option.
constexpr std::int32_t cmd_unknown = -2;

class TCmdLine {
 public:
  // Positional arguments kept for the caller; one more is an internal error.
  static constexpr std::uint32_t max_positional = 20;

  virtual ~TCmdLine() = default;
  TCmdLine(const TCmdLine&) = delete;
  TCmdLine& operator=(const TCmdLine&) = delete;

  // Moves to the next argument; calling it when has_more() is false is an internal error.
  virtual void next() = 0;
  virtual bool has_more() const = 0;

  // The current argument's option id (cmd_positional, cmd_unknown) and the text after the
  // matched option name: a flag's is empty, or begins with "=" when a value was given to it.
  // The whole argument as typed. Internal errors when no argument remains.
  std::int32_t id() const;
  const char* value() const;
  const char* argument() const;

  std::uint32_t positional_count() const { return positional_count_; }
  // The whole text of positional argument `index` (below positional_count()).
  const char* positional(std::uint32_t index) const { return positional_[index]; }

 protected:
  explicit TCmdLine(const cmd_option* options) : options_(options) {}

  // Matches one argument by the whole name: a value option's name (with its "=") begins the
  // argument; a flag's name is the whole argument or is followed by "=". A longer word that only
  // begins like an option ("--dumpgarbage") is no option.
  void parse_current(const char* argument);

 private:
  const cmd_option* options_;
  const char* value_ = nullptr;
  const char* argument_ = nullptr;
  std::int32_t id_ = cmd_positional;
  std::uint32_t positional_count_ = 0;
  const char* positional_[max_positional] = {};
};

// The walker over a narrow argv; argv[0] (the program) is not an argument. It owns nothing: every
// text stays in argv.
class ansi_cmd_line : public TCmdLine {
 public:
  ansi_cmd_line(int argc, char** argv, const cmd_option* options);

  void next() override;
  bool has_more() const override { return remaining_ > 0; }

 private:
  char** next_;
  std::int32_t remaining_;
};
