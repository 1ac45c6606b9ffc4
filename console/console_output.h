// What VDYAGENT writes on the console and how it ends: UTF-8 text with LF line ends, the usage
// text, the early exit with a message, and the exit codes scripts read.
#pragma once

#include <cstdio>
#include <string>

// Exit codes of VDYAGENT.
enum console_exit_code : int {
  exit_no_error = 0,       // the run finished and reported no error
  exit_not_converted = 1,  // an error stopped the program before anything was converted
  exit_run_errors = 2,     // the run finished, but tables or rows failed and were reported
  exit_usage = -1,         // usage text, an invalid option or input file (255 to the shell)
};

// Writes text to the stream with every CR LF and lone CR turned into LF, then flushes.
void console_write(std::FILE* stream, const std::string& text);

// "VDYAGENT v8.3", the usage line, the options and the notes.
std::string usage_text();

// Asked-for help is no error: writes the usage text to standard output unless the converter is
// silent, and ends the process with exit_no_error.
[[noreturn]] void exit_with_help();

// Logs the text, writes it and a line end to standard error unless the converter is silent, and
// ends the process with exit_usage. The objects of main are not destroyed.
[[noreturn]] void exit_with_message(const std::string& text);
