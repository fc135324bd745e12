# JUCE 7.0.5's String (CharPointer_UTF8) without a size trusts its bytes to be UTF-8. It
# measures its buffer by decoding and then copies the raw bytes: bytes that are not UTF-8
# decode shorter than they are (a Windows-1252 'à' before a blank decodes as the end), so
# the copy runs past the buffer. And its decoder reads a malformed byte as some character,
# often ASCII (0xAF as '/', 0xAE as '.'), so writing what was decoded would turn one name
# into another. JUCE builds such Strings from every name the system gives it: directory
# listings (its file browser, the font scan), environment variables, the home and working
# folders. Checking each route in the plug-in leaves the ones inside JUCE open, so juce_core
# is compiled from a copy in the build folder whose String gains one more constructor path,
# for UTF-8 (MendJuceString.inc): well-formed text is copied as it is, and each malformed
# sequence becomes U+FFFD.
#
# Every target that links juce_core (the plug-in, its wrappers, the tests, the fuzzers)
# compiles the copy. A JUCE whose String does not have the generic constructor path the
# mend goes in front of stops the configure here: its String must be looked at again
# rather than built unmended. Every file of Debian's module is a configure dependency, so
# a JUCE upgraded in place is copied and checked again before anything is built with it.

set(quillmor_juce_core "${JUCE_MODULES_DIR}/juce_core")
set(quillmor_mended_modules "${CMAKE_BINARY_DIR}/juce-mended")
get_target_property(quillmor_juce_core_sources juce_core INTERFACE_SOURCES)

# juce_core.cpp here, juce_core.mm on macOS: each one moves to the copy.
set(quillmor_mended_sources)
foreach(quillmor_source IN LISTS quillmor_juce_core_sources)
    string(FIND "${quillmor_source}" "${quillmor_juce_core}/" quillmor_at)
    if(NOT quillmor_at EQUAL 0)
        message(FATAL_ERROR "juce_core compiles '${quillmor_source}', which lies outside "
                            "${quillmor_juce_core}: the String mend does not know this JUCE.")
    endif()
    string(REPLACE "${quillmor_juce_core}/" "${quillmor_mended_modules}/juce_core/" quillmor_source "${quillmor_source}")
    list(APPEND quillmor_mended_sources "${quillmor_source}")
endforeach()

# Debian ships juce_String.cpp with CRLF line ends; file(READ) gives them as "\n".
set(quillmor_generic_path "    template <class CharPointer>\n    static CharPointerType createFromCharPointer (const CharPointer text)\n")
set(quillmor_mend "${CMAKE_CURRENT_LIST_DIR}/MendJuceString.inc")

file(GLOB_RECURSE quillmor_juce_core_files "${quillmor_juce_core}/*")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quillmor_juce_core_files} "${quillmor_mend}")

file(READ "${quillmor_juce_core}/text/juce_String.cpp" quillmor_string_source)
string(FIND "${quillmor_string_source}" "${quillmor_generic_path}" quillmor_first)
string(FIND "${quillmor_string_source}" "${quillmor_generic_path}" quillmor_last REVERSE)

if(quillmor_first EQUAL -1 OR NOT quillmor_first EQUAL quillmor_last)
    message(FATAL_ERROR "The generic 'createFromCharPointer (const CharPointer text)' is not "
                        "found exactly once in ${quillmor_juce_core}/text/juce_String.cpp: this "
                        "JUCE's String (CharPointer_UTF8) needs looking at before the mend can apply.")
endif()

file(READ "${quillmor_mend}" quillmor_mend_source)
string(REPLACE "${quillmor_generic_path}" "${quillmor_mend_source}${quillmor_generic_path}"
       quillmor_mended_source "${quillmor_string_source}")

# The untouched files keep their time stamps and the mended one is rewritten only when it
# changes, so a configure does not rebuild JUCE.
file(COPY "${quillmor_juce_core}" DESTINATION "${quillmor_mended_modules}"
     REGEX "/text/juce_String\\.cpp$" EXCLUDE)
file(WRITE "${quillmor_mended_modules}/juce_String.cpp.new" "${quillmor_mended_source}")
configure_file("${quillmor_mended_modules}/juce_String.cpp.new"
               "${quillmor_mended_modules}/juce_core/text/juce_String.cpp" COPYONLY)

set_property(TARGET juce_core PROPERTY INTERFACE_SOURCES "${quillmor_mended_sources}")
message(STATUS "juce_core: built from ${quillmor_mended_modules}/juce_core (String reads malformed UTF-8 as U+FFFD)")
