# cmake -P: builds the data directory that gets installed, and its content stamp.
#   OUT      the data directory to build (replaced)
#   STAMP    the file that receives the stamp: a hash of every file's name and bytes, so that
#            another stamp means other content and the same content keeps its stamp
#   BUILDER  the corpus builder;  ASSETS  the folder of pictures/ and Help.htm
#   SAMPLE   the sample corpus generator, used when CORPUS is empty
#   CORPUS   a folder of CSV sources to build, or an already built data directory to take as is
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${out}")
  endif()
endfunction()

if(CORPUS)
  file(GLOB sources "${CORPUS}/*.csv" "${CORPUS}/*.CSV")
  if(sources)
    run("${BUILDER}" "${CORPUS}" "${OUT}" --assets "${ASSETS}")
  else()
    file(REMOVE_RECURSE "${OUT}")
    # A directory the program ran in also holds the user's own store and the program's lock:
    # what a user made is never installed as content for every other user.
    file(COPY "${CORPUS}/" DESTINATION "${OUT}"
      PATTERN "Study.db*" EXCLUDE PATTERN ".veloria-lock" EXCLUDE)
  endif()
else()
  set(sources "${OUT}.sources")
  file(REMOVE_RECURSE "${sources}")
  run("${SAMPLE}" "${sources}")
  run("${BUILDER}" "${sources}" "${OUT}" --assets "${ASSETS}")
  file(REMOVE_RECURSE "${sources}")
endif()

file(GLOB names RELATIVE "${OUT}" "${OUT}/*")
list(SORT names)
set(listing "")
foreach(name IN LISTS names)
  if(NOT IS_DIRECTORY "${OUT}/${name}")
    file(SHA256 "${OUT}/${name}" hash)
    string(APPEND listing "${name} ${hash}\n")
  endif()
endforeach()
string(TOLOWER "${listing}" lower)
if(NOT lower MATCHES "(^|\n)configura\.db ")
  message(FATAL_ERROR "${OUT} is not a data directory: it has no Configura.db")
endif()
string(SHA256 stamp "${listing}")
file(WRITE "${STAMP}" "${stamp}\n")
