# Sources of VarnholtRegTool.exe besides the core and the host services.
set(VARNHOLT_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/import_script_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_icon.cpp
)
set(VARNHOLT_APP_LIBRARIES ole32 user32 gdi32 comctl32)
