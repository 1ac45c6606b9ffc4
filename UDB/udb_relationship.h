// Foreign keys between tables as the data model holds them, and the rule that gives a foreign
// key a name that no other foreign key of the same database has.
#pragma once

#include <string>
#include <vector>

// One foreign key: `fields` of `table` refer to `ref_fields` of `ref_table`, position by position.
class udb_relationship {
 public:
  // Every member as supplied; used for foreign keys read back from a server.
  udb_relationship(std::wstring name, std::wstring name2, std::wstring table, std::wstring ref_table,
                   std::vector<std::wstring> fields, std::vector<std::wstring> ref_fields, std::wstring properties);
  // Named "FK_<ref_table>_<table>" with blanks as "_"; used for relationships read from Access.
  udb_relationship(std::wstring table, std::wstring ref_table, std::vector<std::wstring> fields,
                   std::vector<std::wstring> ref_fields, std::wstring properties);

  std::wstring name;
  std::wstring name2;  // kept as supplied; empty for generated relationships
  std::wstring table;
  std::wstring ref_table;
  std::wstring properties;  // clauses after the reference, e.g. " ON DELETE CASCADE"
  std::vector<std::wstring> fields;
  std::vector<std::wstring> ref_fields;
};

// A database's foreign keys, in the order they were read.
class udb_relationships : public std::vector<udb_relationship> {
 public:
  // "FK_<ref_table>_<table>", grown by the pieces "_", "1", "_", "2"... until no foreign key
  // of the list has that name (ignoring case).
  std::wstring gen_relship_name(const udb_relationship& r) const;

 private:
  bool is_acceptable_name(const std::wstring& name) const;
};
