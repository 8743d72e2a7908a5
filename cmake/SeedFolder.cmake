# cmake -DFROM=dir -DTO=dir -P SeedFolder.cmake
# Copies every file of FROM that TO lacks. Files already in TO are the
# user's (stations they added, favourites) and are never overwritten.
file(GLOB_RECURSE _files RELATIVE "${FROM}" "${FROM}/*")
foreach(_file IN LISTS _files)
  if(NOT EXISTS "${TO}/${_file}")
    get_filename_component(_dir "${TO}/${_file}" DIRECTORY)
    file(MAKE_DIRECTORY "${_dir}")
    file(COPY_FILE "${FROM}/${_file}" "${TO}/${_file}")
  endif()
endforeach()
