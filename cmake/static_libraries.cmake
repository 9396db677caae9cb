# Third-party libraries the programs link, as targets of our own (quillet::fontconfig, ...): from
# their static archives where the system has them, else the shared libraries. Every shared
# library costs each run its loading, relocation and page faults, which outweigh the work of
# converting a small deck; with all of these static, the programs load only the C library.
# Everything that uses FreeType, libpng or zlib links these targets (tests too), so that one copy
# of each is in a process: FreeType objects pass between fontconfig, Cairo and our font code.
option(QUILLET_STATIC_LIBS
       "Link FreeType, fontconfig, libpng, zlib, expat, pugixml, libjpeg, libdeflate and the C++ runtime statically" ON)

find_package(PkgConfig REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(JPEG REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET GLOBAL libdeflate)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET GLOBAL pugixml)

# quillet_archive(TARGET PATH dependency...) makes the static archive at PATH a target that
# brings its dependencies after it on the link line, where a static link needs them.
function(quillet_archive target path)
    add_library(${target} STATIC IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${path})
    target_link_libraries(${target} INTERFACE ${ARGN})
endfunction()

# quillet_library(NAME SHARED_TARGET ARCHIVES name... [WITH dependency...]) defines quillet::NAME:
# the archives lib<name>.a, each followed by the next and then what they need, or SHARED_TARGET
# when one is missing.
function(quillet_library name shared)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "ARCHIVES;WITH")
    add_library(quillet_lib_${name} INTERFACE)
    add_library(quillet::${name} ALIAS quillet_lib_${name})
    set(found ${QUILLET_STATIC_LIBS})
    foreach(archive IN LISTS arg_ARCHIVES)
        if(found)
            find_library(QUILLET_STATIC_${archive} NAMES lib${archive}.a)
            if(NOT QUILLET_STATIC_${archive})
                message(STATUS "No static lib${archive}: linking the shared ${name}")
                set(found FALSE)
            endif()
        endif()
    endforeach()
    if(NOT found)
        target_link_libraries(quillet_lib_${name} INTERFACE ${shared})
        return()
    endif()
    set(next ${arg_WITH})
    list(REVERSE arg_ARCHIVES)
    foreach(archive IN LISTS arg_ARCHIVES)
        quillet_archive(quillet_archive_${archive} ${QUILLET_STATIC_${archive}} ${next})
        set(next quillet_archive_${archive})
    endforeach()
    target_include_directories(quillet_lib_${name} SYSTEM INTERFACE
        $<TARGET_PROPERTY:${shared},INTERFACE_INCLUDE_DIRECTORIES>)
    target_link_libraries(quillet_lib_${name} INTERFACE ${next})
endfunction()

quillet_library(zlib ZLIB::ZLIB ARCHIVES z)
quillet_library(png PNG::PNG ARCHIVES png16 WITH quillet::zlib m)
quillet_library(freetype Freetype::Freetype ARCHIVES freetype brotlidec brotlicommon
                WITH quillet::png quillet::zlib m)
quillet_library(fontconfig Fontconfig::Fontconfig ARCHIVES fontconfig expat
                WITH quillet::freetype m)
quillet_library(jpeg JPEG::JPEG ARCHIVES jpeg)
quillet_library(deflate PkgConfig::LIBDEFLATE ARCHIVES deflate)
quillet_library(pugixml PkgConfig::PUGIXML ARCHIVES pugixml)

# The C++ runtime of a program, linked into it. Not for programs that load another library built
# on the shared runtime (two runtimes in one process), nor for sanitizer builds.
function(quillet_static_runtime target)
    if(QUILLET_STATIC_LIBS AND NOT QUILLET_SANITIZE)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
    endif()
endfunction()
