# Fails when a user-visible text in the sources has no German translation: runs lupdate over
# src/ into a scratch copy of the German .ts file and looks for messages left unfinished.
# Called by CTest with -DLUPDATE=<lupdate> -DSOURCE_DIR=<src> -DTS_FILE=<.ts> -DWORK_DIR=<dir>.
file(MAKE_DIRECTORY "${WORK_DIR}")
set(scratch "${WORK_DIR}/kalumet_de.ts")
file(COPY_FILE "${TS_FILE}" "${scratch}")
execute_process(
    COMMAND "${LUPDATE}" "${SOURCE_DIR}" -ts "${scratch}" -no-obsolete -locations none
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${errors}")
endif()

file(READ "${scratch}" ts)
# One <message> element at a time; CMake's regex has no non-greedy match, so split first. A
# ";" in a text would split it as a list item: stand it in first.
string(REPLACE ";" "@SEMICOLON@" ts "${ts}")
string(REPLACE "</message>" ";" messages "${ts}")
set(missing "")
foreach(message IN LISTS messages)
    if(message MATCHES "<source>([^<]*)</source>")
        string(REPLACE "@SEMICOLON@" ";" source "${CMAKE_MATCH_1}")
        if(message MATCHES "type=\"unfinished\"" OR message MATCHES "<translation[^>]*></translation>"
            OR message MATCHES "<translation[^>]*/>")
            string(APPEND missing "\n  ${source}")
        endif()
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "Texts without a German translation (translate them in "
        "translations/kalumet_de.ts, e.g. after `cmake --build build --target update_translations`):"
        "${missing}")
endif()
message(STATUS "Every text has a German translation.")
