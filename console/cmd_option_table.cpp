// The option table of VDYAGENT and the option values checked on their own.
#include "console/cmd_options.h"

#include <cstring>
#include <string>

#include "common/mysql_converter_impl.h"

const cmd_option cmd_options[] = {
    {opt_accp, "--accp="},
    {opt_charset, "--charset="},
    {opt_dest, "--dest="},
    {opt_dump, "--dump"},
    {opt_engine, "--engine="},
    {opt_help, "--help"},
    {opt_logfile, "--logfile="},
    {opt_mode, "--mode="},
    {opt_mysqlh, "--mysqlh="},
    {opt_mysqlu, "--mysqlu="},
    {opt_mysqlp, "--mysqlp="},
    {opt_port, "--port="},
    {opt_profile, "--profile="},
    {opt_queries, "--queries"},
    {opt_silent, "--silent"},
    {opt_skip_idx, "--skip_idx"},
    {opt_src, "--src="},
    {opt_sysdb, "--sysdb="},
    {opt_tab_def, "--tab_def"},
    {opt_tab_file, "--tab_file="},
    {opt_uglu, "--uglu="},
    {opt_uglp, "--uglp="},
    {0, ""},
};

std::string cmd_log_text(const char* argument) {
  for (const char* name : {"--accp=", "--mysqlp=", "--uglp="}) {
    const std::string prefix(name);
    const std::string text(argument);
    if (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0) return prefix + "***";
  }
  return argument;
}

bool parse_mode(const char* text, std::uint32_t& mode) {
  // Only the plain digits 0 to 4: "03", " 3", "+3" and "-1" would each name a mode by accident.
  if (text[0] < '0' || text[0] > '4' || text[1] != '\0') return false;
  mode = static_cast<std::uint32_t>(text[0] - '0');
  return true;
}

std::string cmd_option_name(std::int32_t id) {
  for (const cmd_option* o = cmd_options; o->name[0] != '\0'; ++o) {
    if (o->id != id) continue;
    std::string name(o->name);
    if (name.back() == '=') name.pop_back();
    return name;
  }
  return {};
}

std::string cmd_value_problem(std::int32_t id, const char* value) {
  const std::string name = cmd_option_name(id);
  switch (id) {
    case opt_dump:
    case opt_help:
    case opt_queries:
    case opt_silent:
    case opt_skip_idx:
    case opt_tab_def:
      if (value[0] != '\0') return "Option " + name + " takes no value";
      return {};
    // A blank password is a password.
    case opt_accp:
    case opt_mysqlp:
    case opt_uglp: return {};
    default: break;
  }
  if (value[0] == '\0') return "Option " + name + " needs a value: " + name + "=...";
  switch (id) {
    case opt_src:
    case opt_dest:
    case opt_logfile:
    case opt_profile:
    case opt_sysdb:
    case opt_tab_file: {
      const std::size_t length = std::strlen(value);
      if (length > cmd_max_path)
        return "Option " + name + ": the path is too long (" + std::to_string(length) + " bytes; at most " +
               std::to_string(cmd_max_path) + ")";
      return {};
    }
    case opt_port:
      if (mysql_converter_impl::parse_port(value) == 0)
        return "Option " + name + ": invalid port number '" + value + "' (a whole number from 1 to 65535)";
      return {};
    default: return {};
  }
}
