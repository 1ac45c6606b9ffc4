SELECT Table1.col1, Table2.col2, Count(*) AS n
FROM Table1 LEFT JOIN Table2 ON Table1.col2 = Table2.col1
GROUP BY Table1.col1, Table2.col2
HAVING Count(*) > 0;
