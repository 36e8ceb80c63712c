# Finds Debian's LodePNG (liblodepng-dev), which ships neither a CMake package
# nor a pkg-config file, and provides it as the imported target
# lodepng::lodepng with its include directory.
find_library(LODEPNG_LIBRARY NAMES lodepng)
find_path(LODEPNG_INCLUDE_DIR NAMES lodepng.h)
mark_as_advanced(LODEPNG_LIBRARY LODEPNG_INCLUDE_DIR)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(LodePNG REQUIRED_VARS LODEPNG_LIBRARY LODEPNG_INCLUDE_DIR)

if(LodePNG_FOUND AND NOT TARGET lodepng::lodepng)
  add_library(lodepng::lodepng UNKNOWN IMPORTED)
  set_target_properties(lodepng::lodepng PROPERTIES
    IMPORTED_LOCATION ${LODEPNG_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${LODEPNG_INCLUDE_DIR})
endif()
