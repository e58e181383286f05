# Settings every target of ours shares; third-party code never sees them.
#  - warnings (errors with QUILLET_WERROR, as in CI);
#  - narrow string literals compiled as GBK: every text inside the program is GBK, so a
#    Chinese literal in the (UTF-8) source becomes the GBK bytes the program works with.
#    The compiler is told GB18030, which writes the same bytes for every character GBK has
#    and can also hold the few non-GBK characters in the standard headers (<chrono>'s "µs").
#    UTF-16 literals (u"...") are untouched and are what Qt strings are made from.
function(quillet_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wold-style-cast
                                               -Woverloaded-virtual)
    if(QUILLET_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

#  - the fuzz build (clang, which knows no other execution character set) leaves the literals
#    UTF-8: the code the fuzz targets reach writes its non-ASCII literals as escapes.
function(quillet_target_defaults target)
    quillet_warnings(${target})
    if(NOT QUILLET_FUZZ)
        target_compile_options(${target} PRIVATE -fexec-charset=GB18030)
    endif()
endfunction()
