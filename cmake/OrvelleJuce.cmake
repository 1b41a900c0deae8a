# Finds JUCE 8: an explicit -DJUCE_DIR, else the copy that scripts/bootstrap unpacks from
# Debian's source package, else the official release through FetchContent.
set(JUCE_DIR "" CACHE PATH "JUCE 8 source tree to build against")

set(_orvelle_bootstrap_juce "${PROJECT_SOURCE_DIR}/.deps/juce")

if(JUCE_DIR)
    set(_orvelle_juce_source "${JUCE_DIR}")
elseif(EXISTS "${_orvelle_bootstrap_juce}/.orvelle-ready")
    set(_orvelle_juce_source "${_orvelle_bootstrap_juce}")
endif()

if(_orvelle_juce_source)
    if(NOT EXISTS "${_orvelle_juce_source}/CMakeLists.txt")
        message(FATAL_ERROR "JUCE_DIR '${_orvelle_juce_source}' holds no JUCE source tree")
    endif()
    file(STRINGS "${_orvelle_juce_source}/CMakeLists.txt" _orvelle_juce_project REGEX "^project\\(JUCE VERSION")
    if(NOT _orvelle_juce_project MATCHES "VERSION 8\\.")
        message(FATAL_ERROR "Orvelle needs JUCE 8; '${_orvelle_juce_source}' is ${_orvelle_juce_project}")
    endif()
    add_subdirectory("${_orvelle_juce_source}" "${CMAKE_BINARY_DIR}/juce" EXCLUDE_FROM_ALL)
else()
    include(FetchContent)
    file(GLOB _orvelle_juce_patches "${PROJECT_SOURCE_DIR}/cmake/patches/*.patch")
    set(_orvelle_patch_command)
    foreach(_patch IN LISTS _orvelle_juce_patches)
        if(_orvelle_patch_command)
            list(APPEND _orvelle_patch_command COMMAND)
        endif()
        list(APPEND _orvelle_patch_command patch -p1 --forward --quiet -i "${_patch}")
    endforeach()
    FetchContent_Declare(juce
        URL https://github.com/juce-framework/JUCE/archive/refs/tags/8.0.6.tar.gz
        PATCH_COMMAND ${_orvelle_patch_command})
    FetchContent_MakeAvailable(juce)
endif()

# Codecs and the web view are not used; leaving them out keeps the build on system libraries.
set(ORVELLE_JUCE_DEFINITIONS
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_VST3_CAN_REPLACE_VST2=0)
