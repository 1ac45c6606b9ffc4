SELECT DISTINCT Totals.*, DateAdd("d", 1, #1/2/2003#) AS next_day, CDbl("1.5") * 2, Int(-2.5), Round(2.345, 2)
FROM Totals, Table3
WHERE DateDiff("yyyy", #12/31/1999#, Date()) > 0;
