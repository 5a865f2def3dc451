# Every image of the game, by the name the game asks for.
