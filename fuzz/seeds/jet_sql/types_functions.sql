SELECT Types.*, Format([When], "yyyy-mm-dd hh:nn:ss") AS W, IIf([Flag], "yes", "no") AS F
FROM Types
WHERE [Money] < 0 OR [Exact] IS NULL
ORDER BY [ID] DESC;
