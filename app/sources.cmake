# Sources of VarnholtRegTool.exe besides the core and the host services.
set(VARNHOLT_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/import_script_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_icon.cpp
  ${CMAKE_SOURCE_DIR}/resources/app.rc
  ${CMAKE_CURRENT_LIST_DIR}/link_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lean_runtime.cpp
)
# windres finds resource.h, the icon, the cursor and the manifest next to app.rc.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/app.rc PROPERTIES
                            INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/resources)
set(VARNHOLT_APP_LIBRARIES ole32 user32 gdi32 comctl32)
