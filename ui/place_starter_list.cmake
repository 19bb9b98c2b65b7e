# Puts the starter list beside the program unless a list is already there;
# the user's own list is never overwritten.
# Usage: cmake -DSOURCE=<starter> -DDESTINATION=<dir>/HtmlURL.txt -P place_starter_list.cmake
get_filename_component(directory "${DESTINATION}" DIRECTORY)
file(MAKE_DIRECTORY "${directory}")
if(NOT EXISTS "${DESTINATION}")
  file(COPY_FILE "${SOURCE}" "${DESTINATION}")
endif()
