# The snapshot tool after a theme switch: for every presentation (and every standalone tab), a
# start in the light theme with the theme button pressed once draws the same PNG, byte for byte,
# as a fresh start in the dark theme. (The GUI tests switch both ways, in process.)
#   cmake -DSNAPSHOT=<quorvane-snapshot> -DWORK_DIR=<scratch folder> -P SnapshotFlipTheme.cmake
# Needs a display (the test runs it under xvfb-run).

if(NOT SNAPSHOT OR NOT WORK_DIR)
    message(FATAL_ERROR "SNAPSHOT and WORK_DIR are required")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

function(snap out)
    execute_process(COMMAND "${SNAPSHOT}" ${ARGN} -o "${out}" RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "quorvane-snapshot ${ARGN} failed (${result}): ${errors}")
    endif()
endfunction()

# presentation:tab, the tab empty where the presentation has none.
set(shots "plugin:" "phone:" "standalone:blend" "standalone:audio1" "standalone:audio2")
foreach(shot IN LISTS shots)
    string(REPLACE ":" ";" parts "${shot}")
    list(GET parts 0 presentation)
    set(args --presentation ${presentation})
    list(LENGTH parts count)
    if(count GREATER 1)
        list(GET parts 1 tab)
        if(tab)
            list(APPEND args --tab ${tab})
        endif()
    endif()
    foreach(pair "light:dark")
        string(REPLACE ":" ";" themes "${pair}")
        list(GET themes 0 from)
        list(GET themes 1 to)
        string(REPLACE ":" "-" name "${shot}-${to}")
        snap("${WORK_DIR}/${name}-fresh.png" ${args} --theme ${to})
        snap("${WORK_DIR}/${name}-flipped.png" ${args} --theme ${from} --flip-theme)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK_DIR}/${name}-fresh.png"
                                "${WORK_DIR}/${name}-flipped.png" RESULT_VARIABLE differs)
        if(differs)
            message(FATAL_ERROR "${shot}: ${from} switched to ${to} differs from a fresh start in ${to}")
        endif()
    endforeach()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
