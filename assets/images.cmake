# Every image of the game, by the name the game asks for. Sources are in img/.

# Levels: background and basket front, by level index.
flingo_level(0 Level1 CanFront_L1)
flingo_level(1 Level2 CanFront_L2)
flingo_level(2 Level3 CanFront_L3)
flingo_level(3 Airport Airport_Canfront)
flingo_level(4 Basement canfront_basement)

# Foregrounds, drawn over the scene at their own size.
flingo_image(Level1_foreground ${res}/img)
flingo_image(Level2_foreground ${res}/img)
flingo_image(Level2_Computer ${res}/img)
flingo_image(Front_desks_L3 ${res}/img)
flingo_image(Basement_foreground ${res}/img)

# Fans: four frames of turning blades in one row (3 blades, 30 degrees a frame).
flingo_sheet(fan_l1l2_left fan_desk 4 4 30)
flingo_sheet(fan_l1l2_right fan_desk 4 4 30 MIRROR)
flingo_sheet(Far_fan_Left fan_far 4 4 30)
flingo_sheet(Far_fan_Right fan_far 4 4 30 MIRROR)
flingo_sheet(Fan_Bmt_L fan_bmt_left 4 4 30)
flingo_sheet(Fan_Bmt_R fan_bmt_right 4 4 30)
