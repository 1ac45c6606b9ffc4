// The options of VDYAGENT.
#include "console/cmd_options.h"

#include <cstring>
#include <map>
#include <memory>

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/error_handler.h"
#include "console/console_output.h"
#include "console/tab_file.h"
#include "converter/vandry_converter.h"
#include "dao/dao_engine.h"

namespace {

// A wide value is the argument in the ANSI code page; one that does not convert is refused
// rather than taken as an empty text. A password is not shown in the refusal.
std::wstring wide_value(const char* value, bool secret = false) {
  std::unique_ptr<wchar_t[]> wide;
  if (!tk_ansi_to_unicode(value, wide))
    exit_with_message(std::string("Cannot convert the option value '") + (secret ? "***" : value) + "' to UNICODE");
  return wide.get();
}

// An argument that begins with "-" and names no option: named without any value it carries, as
// that may be a password typed after a misspelt name.
std::string unknown_option_text(const char* argument) {
  const std::string name(argument, std::strcspn(argument, "="));
  for (const cmd_option* o = cmd_options; o->name[0] != '\0'; ++o)
    if (name + "=" == o->name) return "Option " + name + " needs a value: " + name + "=...";
  return "Unknown option '" + name + "'.\nRun VDYAGENT --help for the list of options.";
}

// Once read, a password is overwritten where the command line keeps it, so that other users
// cannot read it in the process list for the rest of the run.
void hide_argument_value(const char* value) {
  char* text = const_cast<char*>(value);
  std::memset(text, 'x', std::strlen(text));
}

}  // namespace

bool parse_cmd_line(int argc, char** argv) {
  tk_log1(tk_log_trace, "parse_cmd_line");
  for (int i = 0; i < argc; ++i) tk_log1(tk_log_trace, "parameter #%d: %s", i, cmd_log_text(argv[i]).c_str());

  vandry_converter& converter = *tk_singleton<vandry_converter>::instance();
  sql_engine& engine = *tk_singleton<sql_engine>::instance();
  std::wstring acc_password, sysdb, ugl_user, ugl_password;
  std::string host, user, password, port = "3306";
  bool profile_loaded = false;

  // Each option's value as first given: the same option again must say the same, or which of
  // the two the run took would be a guess.
  std::map<std::int32_t, std::string> given;
  ansi_cmd_line line(argc, argv, cmd_options);
  for (; line.has_more(); line.next()) {
    const char* value = line.value();
    const std::int32_t id = line.id();
    if (id == cmd_unknown) exit_with_message(unknown_option_text(line.argument()));
    if (id != cmd_positional) {
      const std::string problem = cmd_value_problem(id, value);
      if (!problem.empty()) exit_with_message(problem);
      const auto [first, added] = given.emplace(id, value);
      if (!added && first->second != value)
        exit_with_message("Option " + cmd_option_name(id) + " is given twice with different values");
    }
    switch (id) {
      case opt_accp:
        acc_password = wide_value(value, true);
        hide_argument_value(value);
        break;
      case opt_charset:
        engine.charset = wide_value(value);
        tk_log2(tk_log_trace, L"parse_cmd_line - got charset '%ls'", engine.charset.c_str());
        break;
      case opt_dest:
        converter.dest = wide_value(value);
        tk_log2(tk_log_trace, L"parse_cmd_line - got dest %ls", converter.dest.c_str());
        break;
      case opt_dump:
        converter.direct = false;
        tk_log1(tk_log_detail, "\tconvert into dump files");
        break;
      case opt_engine:
        engine.engine = wide_value(value);
        tk_log2(tk_log_trace, L"parse_cmd_line - got engine '%ls'", engine.engine.c_str());
        break;
      case opt_help: exit_with_help();
      case opt_logfile:
        tk_log1(tk_log_trace, "parse_cmd_line - got logfile %s", value);
        converter.set_logfile(value);
        break;
      case opt_mode: {
        std::uint32_t mode = 0;
        if (!parse_mode(value, mode)) exit_with_message("Invalid merge/overwrite mode");
        tk_log1(tk_log_detail, "\tgot mode %d", static_cast<int>(mode));
        converter.set_mode(mode);
        break;
      }
      case opt_mysqlh: host = value; break;
      case opt_mysqlu: user = value; break;
      case opt_mysqlp:
        password = value;
        hide_argument_value(value);
        break;
      case opt_port: port = value; break;
      case opt_profile: {
        const std::wstring path = wide_value(value);
        tk_log2(tk_log_trace, L"parse_cmd_line - got profile %ls", path.c_str());
        // A profile that does not load would leave the run with half its settings (a server
        // target where the profile asked for a dump): stop instead.
        profile_loaded = converter.load_profile(path);
        if (!profile_loaded) exit_with_message(std::string("Cannot load conversion settings from '") + value + "'");
        break;
      }
      case opt_queries:
        converter.convert_views = true;
        tk_log1(tk_log_detail, "\tcovnerting queries is ON");
        break;
      case opt_silent:
        converter.set_silent(true);
        error_handler::instance()->silent = true;
        tk_log1(tk_log_detail, "\tsilent mode is ON");
        break;
      case opt_skip_idx:
        converter.skip_idx = true;
        tk_log1(tk_log_detail, "\tskip converting indexes is ON");
        break;
      case opt_src:
        converter.src = wide_value(value);
        tk_log2(tk_log_trace, L"parse_cmd_line - got src %ls", converter.src.c_str());
        break;
      case opt_sysdb: sysdb = wide_value(value); break;
      case opt_tab_def:
        converter.tab_def = true;
        tk_log1(tk_log_detail, "\tconvert table definitions only is ON");
        break;
      case opt_tab_file:
        tk_log1(tk_log_detail, "\tparse_cmd_line - got tab_file %s", value);
        process_tab_file(value);
        break;
      case opt_uglu: ugl_user = wide_value(value); break;
      case opt_uglp:
        ugl_password = wide_value(value, true);
        hide_argument_value(value);
        break;
      default:  // positional: counted by the walker
        break;
    }
  }

  if (line.positional_count() != 0) return false;
  if (converter.src.empty()) exit_with_message("You should enter source MS Access database name");
  if (converter.dest.empty()) exit_with_message("You should enter destination MySQL database or dump file name");
  // A loaded profile brings its own source password, workgroup and server settings.
  if (!profile_loaded) {
    if (!sysdb.empty() && !dao_check_sysdb(sysdb))
      exit_with_message("Not a valid MS Access workgroup information file");
    converter.acc_pswd = acc_password;
    converter.store_ugl_settings(sysdb, ugl_user, ugl_password);
    converter.store_mysql_settings(host, user, password, port);
  }
  return true;
}
