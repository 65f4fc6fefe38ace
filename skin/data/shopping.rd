10
portable radios
headphones
speakers
turntables
vinyl records
car audio
microphones
home cinema
smart speakers
music books
