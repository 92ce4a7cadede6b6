# The layer check finds each kind of violation in a tree made of them, and only those.
#   cmake -DCHECKER=<check_layers.cmake> -DFIXTURE=<tree holding src/> -P check_layers_test.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${FIXTURE} -P ${CHECKER}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "The layer check passed a tree full of violations:\n${output}")
endif()
set(expected
    "src/app/bad.cpp:1: include \"startup.h\" does not name its layer"
    "src/core/bad.cpp:3: core includes the Qt header <QString>"
    "src/core/bad.cpp:4: core includes the platform header \"platform/drives.h\""
    "src/core/bad.cpp:5: core includes the system header <unistd.h>"
    "src/core/bad.cpp:6: core calls fork()"
    "src/core/bad.cpp:7: core calls ::close()"
    "src/core/bad.cpp:8: core names a device"
    "src/core/bad.cpp:9: core calls system()"
    "src/core/posix_files_elsewhere.cpp:1: core includes the system header <sys/stat.h>"
    "src/platform/bad.cpp:2: platform includes the ui header"
    "src/ui/bad.cpp:2: ui includes the platform header \"platform/desktop.h\""
    "src/ui/bad.cpp:3: ui includes the Qt Multimedia header <QMediaDevices>")
foreach(line IN LISTS expected)
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The layer check missed \"${line}\". It said:\n${output}")
    endif()
endforeach()
list(LENGTH expected count)
if(NOT output MATCHES "Layer check: ${count} violation")
    message(FATAL_ERROR "The layer check found other than the ${count} violations expected:\n${output}")
endif()
