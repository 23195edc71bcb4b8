# cmake -DPROGRAMS="name=path;..." -DPAGES=folder -P ManPages.cmake
#
# For every program, and for every command that its usage lists under
# "Команды:", reads the --help text and checks that the page <name>.1 names
# each option of the text (--word, and -h where the text offers it) and each
# exit status it lists under "Коды выхода"; where the program's usage offers
# -h, -h must print the same as --help.

set(failures "")

# Whether a help text offers -h.
function(offers_short out_var help)
  if(help MATCHES "(^|[ (,])-h[ ),\n]")
    set(${out_var} TRUE PARENT_SCOPE)
  else()
    set(${out_var} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The help text of `command` (a list) into `out_var`; a failure when it does
# not exit 0, or when `short` is true and -h does not print the same.
function(read_help out_var short)
  execute_process(COMMAND ${ARGN} --help OUTPUT_VARIABLE long RESULT_VARIABLE long_status ERROR_VARIABLE ignored)
  string(JOIN " " shown ${ARGN})
  if(NOT long_status EQUAL 0)
    set(failures "${failures}\n${shown} --help exits ${long_status}" PARENT_SCOPE)
  endif()
  if(short)
    execute_process(COMMAND ${ARGN} -h OUTPUT_VARIABLE brief RESULT_VARIABLE brief_status ERROR_VARIABLE ignored)
    if(NOT brief_status EQUAL 0 OR NOT brief STREQUAL long)
      set(failures "${failures}\n${shown} -h does not answer as --help (exit ${brief_status})" PARENT_SCOPE)
    endif()
  endif()
  set(${out_var} "${long}" PARENT_SCOPE)
endfunction()

# Adds to `failures` every option and exit status of `help` that `page` lacks.
function(check_page name page help)
  string(REGEX MATCHALL "--[a-z0-9][a-z0-9-]*" options "${help}")
  offers_short(short "${help}")
  if(short)
    list(APPEND options "-h")
  endif()
  list(REMOVE_DUPLICATES options)
  foreach(option IN LISTS options)
    if(NOT page MATCHES "(^|[^a-z0-9-])${option}([^a-z0-9-]|$)")
      set(failures "${failures}\n${name}.1 lacks ${option}")
    endif()
  endforeach()
  # "Коды выхода: 0 — успех, 1 — …": each number before a dash.
  string(FIND "${help}" "Коды выхода" at)
  if(at GREATER_EQUAL 0)
    string(SUBSTRING "${help}" ${at} -1 codes)
    string(REGEX MATCHALL "[0-9]+ —" statuses "${codes}")
    foreach(status IN LISTS statuses)
      string(REGEX REPLACE " —" "" status "${status}")
      if(NOT page MATCHES "EXIT STATUS[^\n]*\n(.*[^0-9])?${status}[^0-9]")
        set(failures "${failures}\n${name}.1 does not explain exit status ${status}")
      endif()
    endforeach()
  endif()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

foreach(entry IN LISTS PROGRAMS)
  string(REGEX REPLACE "=.*" "" name "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" path "${entry}")
  file(READ "${PAGES}/${name}.1" page)
  # The page's escaped hyphens as the reader sees them.
  string(REPLACE "\\-" "-" page "${page}")
  # A program that offers -h in its usage answers it wherever it answers --help.
  execute_process(COMMAND "${path}" --help OUTPUT_VARIABLE usage ERROR_VARIABLE ignored)
  offers_short(short "${usage}")
  read_help(help ${short} "${path}")
  check_page(${name} "${page}" "${help}")
  # The commands of a program with commands: indented names after "Команды:".
  string(FIND "${help}" "Команды:" at)
  if(at GREATER_EQUAL 0)
    string(SUBSTRING "${help}" ${at} -1 listed)
    string(REGEX MATCHALL "\n  [a-z][a-z-]*  " commands "${listed}")
    foreach(command IN LISTS commands)
      string(STRIP "${command}" command)
      if(NOT page MATCHES "\n\\.B ${command}\n")
        set(failures "${failures}\n${name}.1 does not describe the command ${command}")
      endif()
      read_help(command_help ${short} "${path}" ${command})
      check_page("${name} ${command}" "${page}" "${command_help}")
    endforeach()
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "The manual pages do not match the programs:${failures}")
endif()
