// The rewrite of saved-query SQL towards MySQL, as a table of texts and their rewritten forms.
#include <gtest/gtest.h>

#include "dao/dao_query_rewrite.h"

namespace {

struct rewrite_case {
  const wchar_t* access;
  const wchar_t* mysql;
};

const rewrite_case cases[] = {
    // Operators, references and the ownership clause.
    {L"SELECT Nz([a],0), Len([b]) FROM [t] WHERE [x]<>1 WITH OWNERACCESS OPTION",
     L"SELECT ifnull([a],0), char_length([b]) FROM [t] WHERE [x]!=1 "},
    {L"[Forms]![F1]![c]", L"[Forms].[F1].[c]"},
    {L"select * from t with owneraccess option;", L"select * from t ;"},
    // Every function, in any case, with blanks or line breaks before its parenthesis.
    {L"Alike(a) Asc(a) Chr(a) CLng(a) IIf(a) LCase(a) Left$(a) Len(a) Mid$(a) Nz(a) Right$(a) Sqr(a) "
     L"StDev(a) StrComp(a) UCase(a)",
     L"like(a) ascii(a) char(a) round(a) if(a) lower(a) left(a) char_length(a) mid(a) ifnull(a) right(a) sqrt(a) "
     L"stddev(a) strcmp(a) upper(a)"},
    {L"Nz (x)", L"ifnull (x)"},
    {L"len\t(z)", L"char_length\t(z)"},
    {L"IIF\r\n(a, b, c)", L"if\r\n(a, b, c)"},
    // Parts of longer words are not functions.
    {L"LeftOver(x) + xlen(y) + len2(z) + my_len(w) + ascii(q)",
     L"LeftOver(x) + xlen(y) + len2(z) + my_len(w) + ascii(q)"},
    // Words that are no calls: sort keywords, aliases, a last word.
    {L"SELECT * FROM [t] ORDER BY [a] ASC", L"SELECT * FROM [t] ORDER BY [a] ASC"},
    {L"SELECT * FROM [t] ORDER BY [a] ASC, [b] ASC\r\n", L"SELECT * FROM [t] ORDER BY [a] ASC, [b] ASC\r\n"},
    {L"SELECT Len([b]) AS Len FROM t", L"SELECT char_length([b]) AS Len FROM t"},
    {L"SELECT a FROM t WHERE x = len", L"SELECT a FROM t WHERE x = len"},
    // String literals and bracketed names keep their text.
    {L"SELECT 'Len(a) <> IIf(b)', \"Nz(c)\" FROM t", L"SELECT 'Len(a) <> IIf(b)', \"Nz(c)\" FROM t"},
    {L"WHERE a <> 'it''s <> Len(x)' AND Len(b) <> 0", L"WHERE a != 'it''s <> Len(x)' AND char_length(b) != 0"},
    {L"SELECT [Len(x)], [O'Brien] FROM t WHERE Chr(65) <> [O'Brien]",
     L"SELECT [Len(x)], [O'Brien] FROM t WHERE char(65) != [O'Brien]"},
    {L"SELECT [a<>b], [WITH OWNERACCESS OPTION], [x]![y] FROM [t] WHERE [a<>b] <> 1",
     L"SELECT [a<>b], [WITH OWNERACCESS OPTION], [x].[y] FROM [t] WHERE [a<>b] != 1"},
    {L"SELECT [x]![a]![b] FROM [a]![b]", L"SELECT [x].[a].[b] FROM [a].[b]"},
    {L"", L""},
};

TEST(dao_query_rewrite, texts_become_their_mysql_forms) {
  for (const auto& c : cases)
    EXPECT_EQ(dao_rewrite_query_sql(c.access), c.mysql) << "from: " << testing::PrintToString(std::wstring(c.access));
}

}  // namespace
