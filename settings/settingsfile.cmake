# The settings file: its format, reader and writer, independent of the windows. Included by
# settings/CMakeLists.txt after the `settings` library is defined.
target_sources(settings PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/inifile.h ${CMAKE_CURRENT_LIST_DIR}/inifile.cpp
)
