# Fails when the write core (base/TempFile.c, base/MoveRecord.c) is defined in more than one
# of the program's binaries: its state (test seams, the SIGXFSZ bookkeeping) must exist once
# per process, in the shared object the program and the archive libraries all load.
#   cmake -DNM=<nm> -DCORE=<libzelmo32write.so> -DBINARIES="<program>;<library>..." -P ...
foreach(var NM CORE BINARIES)
  if(NOT ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

# The state, a function that reads it, and one from each file of the core.
set(symbols gWriteCore zelmo_write_step zelmo_temp_create zelmo_move_record_begin)
set(failures "")
foreach(symbol IN LISTS symbols)
  set(definers "")
  set(users "")
  foreach(binary IN LISTS CORE BINARIES)
    execute_process(COMMAND ${NM} ${binary} OUTPUT_VARIABLE table RESULT_VARIABLE rc
                    ERROR_VARIABLE error)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "nm ${binary}: ${error}")
    endif()
    get_filename_component(name ${binary} NAME)
    # Defined: an address and a type other than U (text, data, bss; local or global).
    if(table MATCHES "(^|\n)[0-9a-f]+ [A-Za-z] ${symbol}(\n|$)")
      list(APPEND definers ${name})
    elseif(table MATCHES "(^|\n) +U ${symbol}(\n|$)")
      list(APPEND users ${name})
    endif()
  endforeach()
  get_filename_component(core ${CORE} NAME)
  if(NOT definers STREQUAL core)
    list(APPEND failures "${symbol} defined in: ${definers} (only ${core} may define it)")
  endif()
  message(STATUS "${symbol}: defined in ${definers}; used from ${users}")
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "The write core is not in one place:\n${text}")
endif()
