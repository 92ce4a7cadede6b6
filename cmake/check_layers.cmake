# Checks that the sources keep to their layers (docs/ARCHITECTURE.md). Run as a script:
#   cmake -DROOT=<folder holding src/> [-DSTAMP=<file to touch on success>] -P check_layers.cmake
# Prints every violation as "file:line: reason" and fails when there is one.
#
# core: no Qt, no platform/ui/app header, no system header or system call (processes, devices,
#       signals, raw file descriptors) except in the one file that does durable file writes;
# ui:   no platform or app header, no Qt Multimedia (sound goes through the media port);
# platform: no ui or app header;
# everywhere in src/: a quoted include names its layer.

if(NOT ROOT)
    message(FATAL_ERROR "check_layers.cmake: ROOT is not set")
endif()

# The one core file allowed POSIX file calls: standard C++ has no fsync and no exclusive create.
set(core_system_file "src/core/foundation/posix_files.cpp")

set(system_headers_regex
    "^[ \t]*#[ \t]*include[ \t]*<(unistd|fcntl|dirent|dlfcn|poll|pthread|pwd|grp|signal|spawn|termios|sched|mqueue|semaphore|sys/[a-z_]+|linux/[a-z_/]+|netinet/[a-z_]+|arpa/[a-z_]+)\\.h>")
set(process_calls_regex
    "(^|[^A-Za-z0-9_])(fork|vfork|execl|execlp|execle|execv|execvp|execvpe|execve|fexecve|posix_spawn|posix_spawnp|popen|system|kill|raise|ioctl|setsid|daemon)[ \t]*\\(")
set(descriptor_calls_regex "(^|[^A-Za-z0-9_>])::(open|close|read|write|fsync|ioctl|dup|dup2|pipe|pipe2|mmap)[ \t]*\\(")

set(violations "")
set(count 0)

macro(violation file line reason)
    string(APPEND violations "${file}:${line}: ${reason}\n")
    math(EXPR count "${count} + 1")
endmacro()

file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/src/*.h" "${ROOT}/src/*.cpp")
list(SORT sources)
foreach(file ${sources})
    if(file MATCHES "^src/([a-z]+)/")
        set(layer "${CMAKE_MATCH_1}")
    else()
        continue()
    endif()
    file(STRINGS "${ROOT}/${file}" lines)
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        # Code only: a comment may name anything.
        string(REGEX REPLACE "//.*$" "" code "${line}")
        if(code MATCHES "^[ \t]*$")
            continue()
        endif()
        set(include "")
        if(code MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"][^>\"]+[>\"])")
            set(include "${CMAKE_MATCH_1}")
        endif()

        if(include MATCHES "^\"" AND NOT include MATCHES "^\"(core|platform|ui|app)/")
            violation(${file} ${number} "include ${include} does not name its layer (core/, platform/, ui/, app/)")
        endif()

        if(layer STREQUAL "core")
            if(include MATCHES "^<Q" OR include MATCHES "^<qt")
                violation(${file} ${number} "core includes the Qt header ${include}; core is standard C++ only")
            elseif(include MATCHES "^\"(platform|ui|app)/")
                violation(${file} ${number} "core includes the ${CMAKE_MATCH_1} header ${include}; core is the bottom layer")
            elseif(code MATCHES "${system_headers_regex}" AND NOT file STREQUAL core_system_file)
                violation(${file} ${number} "core includes the system header ${include}; reach the system through a port (platform/)")
            endif()
            if(code MATCHES "${process_calls_regex}")
                violation(${file} ${number} "core calls ${CMAKE_MATCH_2}(); processes and signals go through a port implemented in platform/")
            endif()
            if(code MATCHES "${descriptor_calls_regex}" AND NOT file STREQUAL core_system_file)
                violation(${file} ${number} "core calls ::${CMAKE_MATCH_2}(); raw file descriptors only in ${core_system_file}")
            endif()
            if(code MATCHES "\"/dev/")
                violation(${file} ${number} "core names a device; devices belong to platform/")
            endif()
        elseif(layer STREQUAL "ui")
            if(include MATCHES "^\"(platform|app)/")
                violation(${file} ${number} "ui includes the ${CMAKE_MATCH_1} header ${include}; ui reaches the system through the ports in core")
            elseif(include MATCHES "^<(QtMultimedia|QMediaDevices|QAudio|QMediaPlayer|QSoundEffect|QMediaFormat)")
                violation(${file} ${number} "ui includes the Qt Multimedia header ${include}; sound goes through the media port")
            endif()
        elseif(layer STREQUAL "platform")
            if(include MATCHES "^\"(ui|app)/")
                violation(${file} ${number} "platform includes the ${CMAKE_MATCH_1} header ${include}; platform sees core only")
            endif()
        endif()
    endforeach()
endforeach()

if(count GREATER 0)
    message("${violations}")
    message(FATAL_ERROR "Layer check: ${count} violation(s) of the layers in docs/ARCHITECTURE.md (listed above)")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
