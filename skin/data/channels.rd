34
Australia
Surf rock and indie from the east coast
1
Coastline Radio
Australia
Country music from the outback
2
Red Dust Country
Australia
News, sport and talk from Melbourne
3
Southbank Talk
Brazil
Samba, bossa nova and MPB classics
4
Radio Copacabana Sol
Brazil
Forro and sertanejo all day
5
Sertao Nosso
Brazil
Electronic beats from Sao Paulo
6
Paulista Beat
Canada
Classical and choral music
7
Maple Classical
Canada
French language pop and chanson
8
Radio Boreale
Canada
Folk and roots from the Maritimes
9
Harbour Folk
France
Chanson francaise through the decades
10
Rive Gauche Radio
France
Jazz from the clubs of Paris
11
Jazz Montmartre
France
News and culture from Lyon
12
Lyon Info Culture
Germany
Techno and house from Berlin
13
Spreewelle Elektro
Germany
Classical music, opera and concerts
14
Klassik am Rhein
Germany
Hits of the 80s and 90s
15
Radio Zeitreise
Germany
Regional news and traffic for Bavaria
16
Alpenland Aktuell
Ireland
Traditional Irish music and ballads
17
Ceol na Mara
Ireland
Rock and alternative from Dublin
18
Liffey Rock
Italy
Opera and the great Italian composers
19
Radio Belcanto
Italy
Italian pop hits, old and new
20
Canzoni Sole
Japan
J-pop and anime soundtracks
21
Tokyo Wave 24
Japan
Lo-fi and city pop for studying
22
Kissa Lounge
Norway
News and talk from Oslo
23
Oslo Talk
Norway
Jazz around the clock
24
Fjord Jazz
Norway
Nordic folk and ambient music
25
Nordlys Radio
Spain
Flamenco and Spanish guitar
26
Radio Alhambra
Spain
Latin pop and reggaeton
27
Costa Ritmo
United Kingdom
Britpop, indie and guitar music
28
Camden Indie Radio
United Kingdom
Talk, phone-ins and football
29
Northern Voices
United Kingdom
Chill-out and downtempo
30
Harbourlight Chill
United States
Blues and soul from the Delta
31
Delta Blues Line
United States
Smooth jazz for late nights
32
Midnight Avenue Jazz
United States
Classic country and bluegrass
33
Appalachian Porch
United States
Top 40 and new releases
34
Hitline Coast to Coast
