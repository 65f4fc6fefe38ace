2
Norway
News and talk from Oslo
1
Oslo Talk
Norway
Jazz around the clock
2
Fjord Jazz
