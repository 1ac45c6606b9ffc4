// Checks of the destination settings that need the target's lists: the character set, the
// storage engine and, for a server, the database name. Each refusal ends the program with a
// message (exit_with_message).
#pragma once

#include <string>
#include <vector>

class vandry_converter;

// Whether `name` is one of `known` ignoring case; an entry may carry " - description" after the
// name (the character-set list).
bool is_listed(const std::wstring& name, const std::vector<std::wstring>& known);

// The engine's character set and storage engine, and those the type mappings give single tables
// and columns, must be ones the server (or, for a dump, the engine's own lists) offers: they go
// into statements as they are.
void check_charset_and_engine();

// The destination database name of a server conversion, by the connected server's rules: it goes
// into CREATE DATABASE and DROP DATABASE.
void check_server_dest(vandry_converter& converter);
