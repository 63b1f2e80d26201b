# The plug-in's rooms and the rooms each may include, the one place that says
# which way the code's arrows point: Objects → Commands → (Log, Settings,
# Processes, Files, Web, Registry, Text) → the foundation, the control page
# beside Commands.
# A room not named on a room's list is out of its reach; the files at the
# top of Plugin/ (the module's entries) may include every room.
# cmake/CheckRooms.cmake holds every include of Plugin/ to this table, and
# to the table itself having no cycle.
set(rooms Objects Commands Page Log Settings Processes Files Web Registry Text Resources)
set(room_Objects_may_include Commands Page Log Settings Processes Files Web Registry Text Resources)
set(room_Commands_may_include Log Settings Processes Files Web Registry Text)
set(room_Page_may_include Settings Resources)
set(room_Log_may_include Settings Files)
set(room_Settings_may_include)
set(room_Processes_may_include)
set(room_Files_may_include)
set(room_Web_may_include)
set(room_Registry_may_include)
set(room_Text_may_include)
set(room_Resources_may_include)
