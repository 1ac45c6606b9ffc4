// The way from the tables page into the column editor: opens it for one source table, modally
// over the active window. The editor stores its own edits into the converter on OK, so the
// caller learns nothing back.
#pragma once

#include <string>

void edit_table_types(const std::wstring& table);
