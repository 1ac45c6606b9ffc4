// The option table of VDYAGENT and the option values checked on their own.
#include "console/cmd_options.h"

#include <string>

const cmd_option cmd_options[] = {
    {opt_accp, "--accp="},         {opt_charset, "--charset="}, {opt_dest, "--dest="},
    {opt_dump, "--dump"},          {opt_engine, "--engine="},   {opt_help, "--help"},
    {opt_logfile, "--logfile="},   {opt_mode, "--mode="},       {opt_mysqlh, "--mysqlh="},
    {opt_mysqlu, "--mysqlu="},     {opt_mysqlp, "--mysqlp="},   {opt_port, "--port="},
    {opt_profile, "--profile="},   {opt_queries, "--queries"},  {opt_silent, "--silent"},
    {opt_skip_idx, "--skip_idx"},  {opt_src, "--src="},         {opt_sysdb, "--sysdb="},
    {opt_tab_def, "--tab_def"},    {opt_tab_file, "--tab_file="}, {opt_uglu, "--uglu="},
    {opt_uglp, "--uglp="},         {0, ""},
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
