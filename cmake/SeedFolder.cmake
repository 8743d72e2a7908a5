# cmake -DFROM=dir -DTO=dir -P SeedFolder.cmake
# Copies FROM to TO when TO holds no station data yet (no treesys.dat). An
# existing data folder is the user's (stations they added, favourites) and
# is never touched, so the build never mixes old and new files in it.
if(NOT EXISTS "${TO}/treesys.dat")
  file(GLOB_RECURSE _files RELATIVE "${FROM}" "${FROM}/*")
  foreach(_file IN LISTS _files)
    get_filename_component(_dir "${TO}/${_file}" DIRECTORY)
    file(MAKE_DIRECTORY "${_dir}")
    file(COPY_FILE "${FROM}/${_file}" "${TO}/${_file}")
  endforeach()
endif()
