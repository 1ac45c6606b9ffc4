// A recursive-descent parser of Jet SQL: the statement forms and operator precedence of Access
// (Imp < Eqv < Xor < Or < And < Not < comparisons < & < + - < Mod < \ < * / < unary - < ^).
#include "platform/jet/sql/jet_sql_parser.h"

#include <cwctype>

#include "platform/jet/sql/jet_date.h"
#include "platform/jet/sql/jet_sql_error.h"
#include "platform/win/string_compare.h"

namespace {

struct token {
  enum class kind { end, word, bracketed, integer, real, text, date, symbol };
  kind type = kind::end;
  std::wstring text;  // word, bracketed name, string contents, symbol, date text
  std::int64_t integer = 0;
  double real = 0;
  size_t start = 0, end = 0;  // position in the statement
};

bool same_word(const std::wstring& a, const wchar_t* b) {
  size_t n = std::wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (fold_case(a[i]) != fold_case(b[i])) return false;
  return true;
}

bool word_char(wchar_t c) { return std::iswalnum(c) || c == L'_' || c > 0x7F; }

std::vector<token> tokenize(const std::wstring& s) {
  std::vector<token> out;
  size_t i = 0;
  auto fail = [&](size_t at) {
    jet_sql_raise(jet_err_syntax_expression, L"Syntax error in query expression '" + s.substr(at) + L"'.");
  };
  while (i < s.size()) {
    wchar_t c = s[i];
    if (std::iswspace(c) || c == 0) {
      ++i;
      continue;
    }
    token t;
    t.start = i;
    if (c == L'[') {
      size_t close = s.find(L']', i + 1);
      if (close == std::wstring::npos) fail(i);
      t.type = token::kind::bracketed;
      t.text = s.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (c == L'"' || c == L'\'') {
      t.type = token::kind::text;
      ++i;
      while (true) {
        if (i >= s.size())
          jet_sql_raise(jet_err_syntax_expression,
                        L"Syntax error in string in query expression '" + s.substr(t.start) + L"'.");
        if (s[i] == c) {
          if (i + 1 < s.size() && s[i + 1] == c) {
            t.text += c;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text += s[i++];
      }
    } else if (c == L'#') {
      size_t close = s.find(L'#', i + 1);
      if (close == std::wstring::npos) fail(i);
      t.type = token::kind::date;
      t.text = s.substr(i + 1, close - i - 1);
      auto d = jet_parse_date(t.text);
      if (!d)
        jet_sql_raise(jet_err_syntax_expression,
                      L"Syntax error in date in query expression '" + s.substr(i, close - i + 1) + L"'.");
      t.real = *d;
      i = close + 1;
    } else if (std::iswdigit(c) || (c == L'.' && i + 1 < s.size() && std::iswdigit(s[i + 1]))) {
      size_t j = i;
      bool real = false;
      while (j < s.size() && std::iswdigit(s[j])) ++j;
      if (j < s.size() && s[j] == L'.') {
        real = true;
        ++j;
        while (j < s.size() && std::iswdigit(s[j])) ++j;
      }
      if (j < s.size() && (s[j] == L'e' || s[j] == L'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == L'+' || s[k] == L'-')) ++k;
        if (k < s.size() && std::iswdigit(s[k])) {
          real = true;
          j = k;
          while (j < s.size() && std::iswdigit(s[j])) ++j;
        }
      }
      std::wstring digits = s.substr(i, j - i);
      if (!real && digits.size() > 18) real = true;
      if (real) {
        t.type = token::kind::real;
        t.real = std::wcstod(digits.c_str(), nullptr);
      } else {
        t.type = token::kind::integer;
        t.integer = std::wcstoll(digits.c_str(), nullptr, 10);
      }
      t.text = digits;
      i = j;
    } else if (c == L'&' && i + 1 < s.size() && (s[i + 1] == L'H' || s[i + 1] == L'h') && i + 2 < s.size() &&
               std::iswxdigit(s[i + 2])) {
      size_t j = i + 2;
      while (j < s.size() && std::iswxdigit(s[j])) ++j;
      t.type = token::kind::integer;
      t.integer = std::wcstoll(s.substr(i + 2, j - i - 2).c_str(), nullptr, 16);
      t.text = s.substr(i, j - i);
      i = j;
    } else if (word_char(c)) {
      size_t j = i;
      while (j < s.size() && word_char(s[j])) ++j;
      t.type = token::kind::word;
      t.text = s.substr(i, j - i);
      i = j;
    } else {
      t.type = token::kind::symbol;
      static const wchar_t* const two[] = {L"<>", L"<=", L">=", L"!=", L"=<", L"=>"};
      t.text = std::wstring(1, c);
      for (const wchar_t* op : two)
        if (s.compare(i, 2, op) == 0) t.text = op;
      if (t.text == L"=<") t.text = L"<=";
      if (t.text == L"=>") t.text = L">=";
      if (std::wstring(L"=<>+-*/\\^&(),.!;").find(c) == std::wstring::npos) fail(i);
      i += t.text.size();
    }
    t.end = i;
    out.push_back(std::move(t));
  }
  token end;
  end.start = end.end = s.size();
  out.push_back(end);
  return out;
}

// Words that end an expression or a name list: never taken as an alias or a column.
const wchar_t* const reserved[] = {
    L"select", L"from",  L"where",   L"group",      L"having",   L"order",       L"union", L"on",        L"inner",
    L"left",   L"right", L"join",    L"as",         L"and",      L"or",          L"not",   L"xor",       L"eqv",
    L"imp",    L"like",  L"is",      L"in",         L"between",  L"mod",         L"pivot", L"transform", L"into",
    L"with",   L"by",    L"asc",     L"desc",       L"distinct", L"distinctrow", L"top",   L"all",       L"null",
    L"exists", L"outer", L"percent", L"parameters", L"alike",
};

class parser {
 public:
  explicit parser(const std::wstring& sql) : sql_(sql), tokens_(tokenize(sql)) {}

  jet_statement statement() {
    jet_statement st;
    if (is_word(L"parameters")) {
      advance();
      while (true) {
        std::wstring name = name_chain();
        // The type: one or more words and an optional size in parentheses.
        while (peek().type == token::kind::word) advance();
        if (is_symbol(L"(")) {
          advance();
          while (!is_symbol(L")") && peek().type != token::kind::end) advance();
          expect_symbol(L")");
        }
        st.parameters.push_back(name);
        if (!is_symbol(L",")) break;
        advance();
      }
      expect_symbol(L";");
    }
    if (is_word(L"transform")) {
      transform(st);
    } else if (is_word(L"select") || is_symbol(L"(")) {
      st.query = query();
      for (const auto& part : st.query.parts)
        if (!part.into.empty()) st.type = jet_statement::kind::action;
    } else if (is_word(L"insert") || is_word(L"update") || is_word(L"delete") || is_word(L"create") ||
               is_word(L"drop") || is_word(L"alter")) {
      st.type = jet_statement::kind::action;
      return st;
    } else {
      jet_sql_raise(jet_err_invalid_statement,
                    L"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
    }
    while (is_symbol(L";")) advance();
    if (peek().type != token::kind::end)
      jet_sql_raise(jet_err_characters_after_end, L"Characters found after end of SQL statement.");
    return st;
  }

 private:
  const std::wstring& sql_;
  std::vector<token> tokens_;
  size_t pos_ = 0;

  const token& peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return tokens_[i < tokens_.size() ? i : tokens_.size() - 1];
  }
  const token& advance() {
    const token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool is_word(const wchar_t* w, size_t ahead = 0) const {
    return peek(ahead).type == token::kind::word && same_word(peek(ahead).text, w);
  }
  bool is_symbol(const wchar_t* s, size_t ahead = 0) const {
    return peek(ahead).type == token::kind::symbol && peek(ahead).text == s;
  }
  static bool is_reserved(const std::wstring& w) {
    for (const wchar_t* r : reserved)
      if (same_word(w, r)) return true;
    return false;
  }

  [[noreturn]] void syntax_expression(size_t start) {
    size_t end = peek().end;
    jet_sql_raise(jet_err_syntax_expression, L"Syntax error (missing operator) in query expression '" +
                                                 sql_.substr(start, end > start ? end - start : std::wstring::npos) +
                                                 L"'.");
  }
  [[noreturn]] void syntax_statement() {
    jet_sql_raise(
        jet_err_syntax_statement,
        L"The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or "
        L"the punctuation is incorrect.");
  }
  [[noreturn]] void syntax_from() { jet_sql_raise(jet_err_syntax_from, L"Syntax error in FROM clause."); }

  // A saved query's text ends with ";": it may stand so inside parentheses too.
  void skip_semicolons() {
    while (is_symbol(L";")) advance();
  }

  void expect_symbol(const wchar_t* s) {
    if (!is_symbol(s)) syntax_expression(peek().start);
    advance();
  }

  // A name: a bracketed name or a word that is not reserved.
  std::wstring identifier() {
    const token& t = peek();
    if (t.type == token::kind::bracketed || (t.type == token::kind::word && !is_reserved(t.text))) {
      advance();
      return t.text;
    }
    syntax_expression(t.start);
  }

  // "a!b!c" or "a.b" as one name (PARAMETERS names keep their bangs).
  std::wstring name_chain() {
    std::wstring name = identifier();
    while (is_symbol(L"!") || is_symbol(L".")) {
      name += advance().text;
      name += identifier();
    }
    return name;
  }

  // TRANSFORM value [AS name] SELECT ... PIVOT expression [IN (values)]
  void transform(jet_statement& st) {
    advance();
    st.type = jet_statement::kind::transform;
    st.transform_value = expression();
    if (is_word(L"as")) {
      advance();
      st.transform_alias = identifier();
    }
    st.query = query();
    if (!is_word(L"pivot")) syntax_statement();
    advance();
    st.pivot = expression();
    // "PIVOT x In (a, b)" names the pivot columns: the expression reader took it for In.
    if (st.pivot->type == jet_expr::kind::in_list && !st.pivot->negated) {
      st.pivot_in.assign(st.pivot->args.begin() + 1, st.pivot->args.end());
      st.pivot = st.pivot->args[0];
    } else if (is_word(L"in")) {
      advance();
      expect_symbol(L"(");
      st.pivot_in = expression_list();
      expect_symbol(L")");
    }
  }

  jet_query query() {
    nested guard(*this);
    jet_query q;
    q.parts.push_back(union_term(q));
    while (is_word(L"union")) {
      advance();
      bool all = false;
      if (is_word(L"all")) {
        advance();
        all = true;
      }
      q.union_all.push_back(all);
      q.parts.push_back(union_term(q));
    }
    if (is_word(L"order")) {
      advance();
      if (!is_word(L"by")) syntax_statement();
      advance();
      while (true) {
        jet_order_item item;
        item.expr = expression();
        if (is_word(L"asc")) {
          advance();
        } else if (is_word(L"desc")) {
          advance();
          item.descending = true;
        }
        q.order_by.push_back(std::move(item));
        if (!is_symbol(L",")) break;
        advance();
      }
    }
    if (is_word(L"with")) {  // WITH OWNERACCESS OPTION: no meaning without user-level rights
      advance();
      if (!is_word(L"owneraccess")) syntax_statement();
      advance();
      if (!is_word(L"option")) syntax_statement();
      advance();
    }
    return q;
  }

  // One part of a union: a SELECT, or a parenthesised query of a single SELECT.
  jet_select_core union_term(jet_query& outer) {
    if (is_symbol(L"(")) {
      advance();
      jet_query inner = query();
      skip_semicolons();
      expect_symbol(L")");
      if (inner.parts.size() != 1) syntax_statement();
      if (!inner.order_by.empty() && outer.order_by.empty()) outer.order_by = inner.order_by;
      return std::move(inner.parts.front());
    }
    return select_core();
  }

  jet_select_core select_core() {
    if (!is_word(L"select")) syntax_statement();
    advance();
    jet_select_core core;
    if (is_word(L"distinct")) {
      advance();
      core.distinct = jet_select_core::distinct_kind::distinct;
    } else if (is_word(L"distinctrow")) {
      advance();
      core.distinct = jet_select_core::distinct_kind::distinct_row;
    } else if (is_word(L"all")) {
      advance();
    }
    if (is_word(L"top")) {
      advance();
      const token& n = advance();
      if (n.type == token::kind::integer)
        core.top_count = static_cast<double>(n.integer);
      else if (n.type == token::kind::real)
        core.top_count = n.real;
      else
        syntax_statement();
      if (!(core.top_count >= 0 && core.top_count < 2147483648.0)) syntax_statement();
      core.top = true;
      if (is_word(L"percent")) {
        advance();
        core.top_percent = true;
      }
    }
    while (true) {
      jet_select_item item;
      if (is_symbol(L"*")) {
        advance();
        item.star = true;
      } else if ((peek().type == token::kind::word || peek().type == token::kind::bracketed) &&
                 (is_symbol(L".", 1) || is_symbol(L"!", 1)) && is_symbol(L"*", 2)) {
        item.star = true;
        item.qualifier = advance().text;
        advance();
        advance();
      } else {
        item.expr = expression();
        if (is_word(L"as")) {
          advance();
          item.alias = identifier();
        }
      }
      core.items.push_back(std::move(item));
      if (!is_symbol(L",")) break;
      advance();
    }
    if (is_word(L"into")) {
      advance();
      core.into = identifier();
      if (is_word(L"in")) {
        advance();
        advance();
      }
    }
    if (is_word(L"from")) {
      advance();
      while (true) {
        core.from.push_back(table_ref());
        if (!is_symbol(L",")) break;
        advance();
      }
    }
    if (is_word(L"where")) {
      advance();
      core.where = expression();
    }
    if (is_word(L"group")) {
      advance();
      if (!is_word(L"by")) syntax_statement();
      advance();
      core.group_by = expression_list();
    }
    if (is_word(L"having")) {
      advance();
      core.having = expression();
    }
    return core;
  }

  jet_table_ref table_ref() {
    jet_table_ref left = table_primary();
    while (true) {
      jet_table_ref::join_kind kind;
      if (is_word(L"inner")) {
        kind = jet_table_ref::join_kind::inner;
      } else if (is_word(L"left")) {
        kind = jet_table_ref::join_kind::left;
      } else if (is_word(L"right")) {
        kind = jet_table_ref::join_kind::right;
      } else {
        break;
      }
      advance();
      if (is_word(L"outer")) advance();
      if (!is_word(L"join")) syntax_from();
      advance();
      jet_table_ref join;
      join.type = jet_table_ref::kind::join;
      join.join = kind;
      join.left = std::make_shared<jet_table_ref>(std::move(left));
      join.right = std::make_shared<jet_table_ref>(table_primary());
      if (!is_word(L"on")) syntax_from();
      advance();
      join.condition = expression();
      left = std::move(join);
    }
    return left;
  }

  void optional_alias(jet_table_ref& ref) {
    if (is_word(L"as")) {
      advance();
      ref.alias = identifier();
    } else if (peek().type == token::kind::bracketed ||
               (peek().type == token::kind::word && !is_reserved(peek().text))) {
      ref.alias = identifier();
    }
  }

  jet_table_ref table_primary() {
    nested guard(*this);
    jet_table_ref ref;
    if (is_symbol(L"(")) {
      advance();
      if (is_word(L"transform")) {
        ref.type = jet_table_ref::kind::subquery;
        ref.crosstab = std::make_shared<jet_statement>();
        transform(*ref.crosstab);
        skip_semicolons();
        expect_symbol(L")");
        optional_alias(ref);
        return ref;
      }
      size_t ahead = 0;
      while (is_symbol(L"(", ahead)) ++ahead;
      if (is_word(L"select", ahead)) {
        // "(SELECT ...)" or "((SELECT ...) UNION ...)"; a parenthesised join starts with a name.
        ref.type = jet_table_ref::kind::subquery;
        ref.query = std::make_shared<jet_query>(query());
        skip_semicolons();
        expect_symbol(L")");
        optional_alias(ref);
        return ref;
      }
      ref = table_ref();
      if (!is_symbol(L")")) syntax_from();
      advance();
      return ref;
    }
    const token& t = peek();
    if (t.type == token::kind::bracketed && is_symbol(L".", 1) && starts_with_select(t.text)) {
      // Access's own spelling of a derived table: "[SELECT ...]. AS x".
      advance();
      advance();
      ref.type = jet_table_ref::kind::subquery;
      ref.query = std::make_shared<jet_query>(parser(t.text).standalone_query());
      optional_alias(ref);
      return ref;
    }
    if (t.type != token::kind::bracketed && !(t.type == token::kind::word && !is_reserved(t.text))) syntax_from();
    ref.name = advance().text;
    optional_alias(ref);
    return ref;
  }

  static bool starts_with_select(const std::wstring& s) {
    size_t i = 0;
    while (i < s.size() && std::iswspace(s[i])) ++i;
    return s.size() >= i + 6 && same_word(s.substr(i, 6), L"select");
  }

 public:
  jet_query standalone_query() {
    jet_query q = query();
    while (is_symbol(L";")) advance();
    if (peek().type != token::kind::end) syntax_from();
    return q;
  }

 private:
  std::vector<jet_expr_ptr> expression_list() {
    std::vector<jet_expr_ptr> list;
    while (true) {
      list.push_back(expression());
      if (!is_symbol(L",")) break;
      advance();
    }
    return list;
  }

  jet_expr_ptr make(jet_expr::kind k, size_t start) {
    auto e = std::make_shared<jet_expr>();
    e->type = k;
    e->source = sql_.substr(start, peek().start > start ? peek().start - start : 0);
    return e;
  }

  jet_expr_ptr binary(const std::wstring& op, jet_expr_ptr a, jet_expr_ptr b, size_t start) {
    auto e = make(jet_expr::kind::binary, start);
    e->op = op;
    e->args = {std::move(a), std::move(b)};
    return e;
  }

  jet_expr_ptr expression() { return logical(0); }

  // Imp, Eqv, Xor, Or, And from the loosest.
  jet_expr_ptr logical(int level) {
    static const wchar_t* const ops[] = {L"imp", L"eqv", L"xor", L"or", L"and"};
    if (level == 5) return negation();
    size_t start = peek().start;
    jet_expr_ptr left = logical(level + 1);
    while (is_word(ops[level])) {
      advance();
      jet_expr_ptr right = logical(level + 1);
      left = binary(ops[level], left, right, start);
    }
    return left;
  }

  jet_expr_ptr negation() {
    nested guard(*this);
    size_t start = peek().start;
    if (is_word(L"not")) {
      advance();
      auto e = make(jet_expr::kind::unary, start);
      e->op = L"not";
      e->args = {negation()};
      return e;
    }
    return comparison();
  }

  jet_expr_ptr comparison() {
    size_t start = peek().start;
    jet_expr_ptr left = concatenation();
    while (true) {
      bool negated = false;
      if (is_word(L"not") && (is_word(L"like", 1) || is_word(L"between", 1) || is_word(L"in", 1))) {
        advance();
        negated = true;
      }
      if (peek().type == token::kind::symbol &&
          (peek().text == L"=" || peek().text == L"<>" || peek().text == L"!=" || peek().text == L"<" ||
           peek().text == L">" || peek().text == L"<=" || peek().text == L">=")) {
        std::wstring op = advance().text;
        if (op == L"!=") op = L"<>";
        if (is_word(L"any") || is_word(L"some") || is_word(L"all")) {
          std::wstring quantifier = same_word(advance().text, L"all") ? L"all" : L"any";
          expect_symbol(L"(");
          auto e = make(jet_expr::kind::quantified, start);
          e->op = op;
          e->name = quantifier;
          e->args = {left};
          e->query = std::make_shared<jet_query>(query());
          expect_symbol(L")");
          left = e;
          continue;
        }
        left = binary(op, left, concatenation(), start);
      } else if (is_word(L"like") || is_word(L"alike")) {
        advance();
        auto e = make(jet_expr::kind::like, start);
        e->args = {left, concatenation()};
        e->negated = negated;
        left = e;
      } else if (is_word(L"is")) {
        advance();
        auto e = make(jet_expr::kind::is_null, start);
        if (is_word(L"not")) {
          advance();
          e->negated = true;
        }
        if (!is_word(L"null")) syntax_expression(start);
        advance();
        e->args = {left};
        left = e;
      } else if (is_word(L"between")) {
        advance();
        auto e = make(jet_expr::kind::between, start);
        jet_expr_ptr low = concatenation();
        if (!is_word(L"and")) syntax_expression(start);
        advance();
        e->args = {left, low, concatenation()};
        e->negated = negated;
        left = e;
      } else if (is_word(L"in")) {
        advance();
        expect_symbol(L"(");
        if (is_word(L"select")) {
          auto e = make(jet_expr::kind::in_query, start);
          e->args = {left};
          e->query = std::make_shared<jet_query>(query());
          e->negated = negated;
          left = e;
        } else {
          auto e = make(jet_expr::kind::in_list, start);
          e->args = {left};
          for (auto& item : expression_list()) e->args.push_back(item);
          e->negated = negated;
          left = e;
        }
        expect_symbol(L")");
      } else {
        if (negated) syntax_expression(start);
        return left;
      }
    }
  }

  jet_expr_ptr concatenation() {
    size_t start = peek().start;
    jet_expr_ptr left = additive();
    while (is_symbol(L"&")) {
      advance();
      left = binary(L"&", left, additive(), start);
    }
    return left;
  }

  jet_expr_ptr additive() {
    size_t start = peek().start;
    jet_expr_ptr left = modulo();
    while (is_symbol(L"+") || is_symbol(L"-")) {
      std::wstring op = advance().text;
      left = binary(op, left, modulo(), start);
    }
    return left;
  }

  jet_expr_ptr modulo() {
    size_t start = peek().start;
    jet_expr_ptr left = integer_division();
    while (is_word(L"mod")) {
      advance();
      left = binary(L"mod", left, integer_division(), start);
    }
    return left;
  }

  jet_expr_ptr integer_division() {
    size_t start = peek().start;
    jet_expr_ptr left = multiplicative();
    while (is_symbol(L"\\")) {
      advance();
      left = binary(L"\\", left, multiplicative(), start);
    }
    return left;
  }

  jet_expr_ptr multiplicative() {
    size_t start = peek().start;
    jet_expr_ptr left = unary();
    while (is_symbol(L"*") || is_symbol(L"/")) {
      std::wstring op = advance().text;
      left = binary(op, left, unary(), start);
    }
    return left;
  }

  jet_expr_ptr unary() {
    nested guard(*this);
    size_t start = peek().start;
    if (is_symbol(L"-") || is_symbol(L"+")) {
      std::wstring op = advance().text;
      auto e = make(jet_expr::kind::unary, start);
      e->op = op;
      e->args = {unary()};
      return e;
    }
    return power();
  }

  jet_expr_ptr power() {
    size_t start = peek().start;
    jet_expr_ptr left = primary();
    while (is_symbol(L"^")) {
      advance();
      jet_expr_ptr right;
      if (is_symbol(L"-") || is_symbol(L"+")) {
        size_t s = peek().start;
        auto e = make(jet_expr::kind::unary, s);
        e->op = advance().text;
        e->args = {primary()};
        right = e;
      } else {
        right = primary();
      }
      left = binary(L"^", left, right, start);
    }
    return left;
  }

  // Nesting deeper than this is refused rather than risking the stack.
  static constexpr int max_depth = 200;
  int depth_ = 0;
  struct nested {
    explicit nested(parser& p) : p_(p) {
      if (++p_.depth_ > max_depth) jet_sql_raise(jet_err_too_complex, L"Query is too complex.");
    }
    ~nested() { --p_.depth_; }
    parser& p_;
  };

  jet_expr_ptr primary() {
    nested guard(*this);
    const token& t = peek();
    size_t start = t.start;
    switch (t.type) {
      case token::kind::integer: {
        advance();
        auto e = make(jet_expr::kind::integer_literal, start);
        e->integer = t.integer;
        return e;
      }
      case token::kind::real: {
        advance();
        auto e = make(jet_expr::kind::real_literal, start);
        e->real = t.real;
        return e;
      }
      case token::kind::text: {
        advance();
        auto e = make(jet_expr::kind::text_literal, start);
        e->text = t.text;
        return e;
      }
      case token::kind::date: {
        advance();
        auto e = make(jet_expr::kind::date_literal, start);
        e->real = t.real;
        return e;
      }
      case token::kind::symbol:
        if (t.text == L"(") {
          advance();
          if (is_word(L"select")) {
            auto e = make(jet_expr::kind::subquery, start);
            e->query = std::make_shared<jet_query>(query());
            expect_symbol(L")");
            return e;
          }
          jet_expr_ptr inner = expression();
          expect_symbol(L")");
          return inner;
        }
        syntax_expression(start);
      case token::kind::word:
        if (same_word(t.text, L"null")) {
          advance();
          return make(jet_expr::kind::null_literal, start);
        }
        if (same_word(t.text, L"true") || same_word(t.text, L"yes") || same_word(t.text, L"false") ||
            same_word(t.text, L"no")) {
          advance();
          auto e = make(jet_expr::kind::bool_literal, start);
          e->integer = (same_word(t.text, L"true") || same_word(t.text, L"yes")) ? -1 : 0;
          return e;
        }
        if (same_word(t.text, L"exists")) {
          advance();
          expect_symbol(L"(");
          auto e = make(jet_expr::kind::exists, start);
          e->query = std::make_shared<jet_query>(query());
          expect_symbol(L")");
          return e;
        }
        // Left and Right name functions as well as joins.
        if (is_symbol(L"(", 1) && (!is_reserved(t.text) || same_word(t.text, L"left") || same_word(t.text, L"right")))
          return call();
        if (is_reserved(t.text)) syntax_expression(start);
        return column();
      case token::kind::bracketed: return column();
      case token::kind::end: break;
    }
    syntax_expression(start);
  }

  jet_expr_ptr call() {
    size_t start = peek().start;
    auto e = make(jet_expr::kind::call, start);
    e->name = advance().text;
    expect_symbol(L"(");
    if (is_symbol(L"*")) {
      advance();
      e->star = true;
    } else if (!is_symbol(L")")) {
      if (is_word(L"distinct")) syntax_expression(start);  // Jet has no aggregate over distinct values
      e->args = expression_list();
    }
    expect_symbol(L")");
    e->source = sql_.substr(start, peek().start - start);
    return e;
  }

  jet_expr_ptr column() {
    size_t start = peek().start;
    auto e = make(jet_expr::kind::column, start);
    e->parts.push_back(advance().text);
    while ((is_symbol(L".") || is_symbol(L"!")) &&
           (peek(1).type == token::kind::bracketed || peek(1).type == token::kind::word)) {
      advance();
      e->parts.push_back(advance().text);
    }
    e->source = sql_.substr(start, peek().start - start);
    return e;
  }
};

}  // namespace

jet_statement jet_parse_sql(const std::wstring& sql) { return parser(sql).statement(); }
