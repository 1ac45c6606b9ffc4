// The options of VDYAGENT and the walk that turns a command line into converter and engine
// settings.
#pragma once

#include <cstdint>
#include <string>

#include "console/tk_cmdli.h"

// Ids of the option table's rows, in table order.
enum cmd_option_id : std::int32_t {
  opt_accp = 0,
  opt_charset,
  opt_dest,
  opt_dump,
  opt_engine,
  opt_help,
  opt_logfile,
  opt_mode,
  opt_mysqlh,
  opt_mysqlu,
  opt_mysqlp,
  opt_port,
  opt_profile,
  opt_queries,
  opt_silent,
  opt_skip_idx,
  opt_src,
  opt_sysdb,
  opt_tab_def,
  opt_tab_file,
  opt_uglu,
  opt_uglp,
};

// Every option name with its id, closed by a row with an empty name.
extern const cmd_option cmd_options[];

// The argument as the log shows it: the value of a password option becomes "***".
std::string cmd_log_text(const char* argument);

// The mode option's value as a conversion mode; false unless it is one of "0" to "4".
bool parse_mode(const char* text, std::uint32_t& mode);

// The option's name as the user types it, without its "=" ("--port").
std::string cmd_option_name(std::int32_t id);

// Longest path an option may give, in bytes: the system's own limit less the closing NUL.
constexpr std::size_t cmd_max_path = 4095;

// What is wrong with the value of an option as typed, checked on its own: a flag given a value,
// an empty value (passwords may be empty), a path over cmd_max_path, a port that is not plain
// digits from 1 to 65535. Empty when nothing is. The text names the option.
std::string cmd_value_problem(std::int32_t id, const char* value);

// Applies every option in command-line order and checks that source and destination are given.
// Refusals end the program (exit_with_message); false when positional arguments were given.
bool parse_cmd_line(int argc, char** argv);
