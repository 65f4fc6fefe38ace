import sys
print("placeholder")
