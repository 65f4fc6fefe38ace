3
France
News and talk # comment
7
Radio Une
Spain
Music
2
Onda
