2
gardening
kitchen tools
