# SPDX-License-Identifier: MIT
# Every image of the game, by the name the game asks for. Sources are in img/.

# Levels: background and basket front, by level index.
flingo_level(0 Level1 CanFront_L1)
flingo_level(1 Level2 CanFront_L2)
flingo_level(2 Level3 CanFront_L3)
flingo_level(3 Airport Airport_Canfront)
flingo_level(4 Basement canfront_basement)

# Foregrounds, drawn over the scene; cropped to what shows of them.
flingo_overlay(Level1_foreground ${res}/img)
flingo_overlay(Level2_foreground ${res}/img)
flingo_overlay(Level2_Computer ${res}/img)
flingo_overlay(Front_desks_L3 ${res}/img)
flingo_overlay(Basement_foreground ${res}/img)

# Fans: four frames of turning blades in one row (3 blades, 30 degrees a frame). A room's second
# desk fan is the first one's mirror image.
flingo_sheet(fan_l1l2_left fan_desk 4 4 30)
flingo_mirrored_sheet(fan_l1l2_right fan_l1l2_left)
flingo_sheet(Far_fan_Left fan_far 4 4 30)
flingo_mirrored_sheet(Far_fan_Right Far_fan_Left)
flingo_sheet(Fan_Bmt_L fan_bmt_left 4 4 30)
flingo_sheet(Fan_Bmt_R fan_bmt_right 4 4 30)

# The ball: twelve frames of one turn (drawn once a second), four a row.
flingo_sheet(paper_ball paper_ball 12 4 30)

# Level HUD.
flingo_image(arrow ${res}/img)
flingo_image(wind_arrow ${res}/img)
flingo_overlay(tutorial ${res}/img)

# Menus.
flingo_image(MMenu ${res}/img)
flingo_image(HS_btn_green ${res}/img)
flingo_image(SBoard_menu ${res}/img)
foreach(button "Easy_button;Easy;#6bbf59" "Med_button;Medium;#f2c14e" "Hard_button;Hard;#d9534f"
               "Airport_button;Airport;#5f88b5" "Basement_button;Basement;#a0744a")
  list(GET button 0 name)
  list(GET button 1 LABEL)
  list(GET button 2 COLOUR)
  flingo_from_template(${name} level_button)
endforeach()

# Start-up screen and its seasonal badge, at the top of the resource folder.
flingo_image(Default ${res})
flingo_overlay(BestBuyOverlay ${res})
# The window's icon: the desktop icon's picture.
flingo_render(${PROJECT_SOURCE_DIR}/src/shell/flingo.svg ${res}/icon.png 1)
list(APPEND outputs ${res}/icon.png)

# House banners for the banner slots (320 x 50).
set(COLOUR "#5f88b5")
set(LINE1 "Five rooms, one paper ball.")
set(LINE2 "Can you score in the basement?")
flingo_from_template(house_banner_0 house_banner)
set(COLOUR "#5cb85c")
set(LINE1 "Beat your best score!")
set(LINE2 "Then send it to the online board.")
flingo_from_template(house_banner_1 house_banner)
set(COLOUR "#d9534f")
set(LINE1 "Mind the wind.")
set(LINE2 "The arrow on the floor shows where it blows.")
flingo_from_template(house_banner_2 house_banner)
