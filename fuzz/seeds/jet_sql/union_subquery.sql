SELECT TOP 2 col1 & "-" & Nz(col3, "none") AS joined, Len(col2), Mid(col2, 2, 1), UCase(col2)
FROM Table1
WHERE col2 LIKE "b*" OR col1 IN (SELECT col1 FROM Table3)
UNION ALL SELECT col1, 0, "", "" FROM SelectQuery;
