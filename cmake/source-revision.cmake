# Writes OUTPUT with the source revision of the checkout at SOURCE_DIR ("" outside a
# checkout), rewriting it only when the revision changed, so that a new commit rebuilds just
# what shows the version.
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12
                OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                RESULT_VARIABLE failed)
if(failed)
    set(revision "")
endif()
set(content "#pragma once\n#define VX_SOURCE_REVISION \"${revision}\"\n")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
endif()
