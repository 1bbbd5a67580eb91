# Sources of VarnholtRegTool.exe besides the core and the host services.
set(VARNHOLT_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
)
set(VARNHOLT_APP_LIBRARIES ole32 user32 gdi32 comctl32)
