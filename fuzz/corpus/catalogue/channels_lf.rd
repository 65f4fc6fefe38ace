2
Germany
Rock
1
Welle Eins
Italy
Jazz
x
#1 Hits
