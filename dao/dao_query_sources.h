// The tables and saved queries an Access query reads, taken from its parsed text: what a view
// made from the query needs in the destination before the server can accept it.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Every table or saved query named in a FROM clause of the query, its joins, unions and
// subqueries (in the select list, WHERE, HAVING and the rest), once each, in order of first
// appearance. No answer when the text is not Jet SQL the parser reads: the caller cannot tell
// what the query reads and should not guess.
std::optional<std::vector<std::wstring>> dao_query_sources(const std::wstring& sql);
