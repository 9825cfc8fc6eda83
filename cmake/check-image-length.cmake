# Fails the build when the program image is too long for an appended archive to start inside
# the window that the program searches. The layout comes from FORMAT_HEADER (job/PackageFormat.h).
function(format_value name out)
  file(STRINGS "${FORMAT_HEADER}" line REGEX "^inline constexpr [a-z0-9_]+ ${name} = ")
  string(REGEX MATCH " = (0x[0-9A-Fa-f]+|[0-9]+)" value "${line}")
  set(value "${CMAKE_MATCH_1}")
  if(NOT value MATCHES "^(0x[0-9A-Fa-f]+|[0-9]+)$")
    message(FATAL_ERROR "cannot read ${name} from ${FORMAT_HEADER}")
  endif()
  set(${out} ${value} PARENT_SCOPE)
endfunction()
format_value(PAYLOAD_OFFSET offset)
format_value(SEARCH_WINDOW window)
format_value(SEARCH_MARGIN margin)

file(SIZE "${IMAGE}" length)
math(EXPR limit "${offset} + ${window} - ${margin}")
if(NOT length LESS limit)
  message(FATAL_ERROR "${IMAGE} is ${length} bytes long; it must stay shorter than ${limit} bytes "
                      "so that a package's archive starts inside the searched window.")
endif()
message(STATUS "${IMAGE}: ${length} bytes (limit ${limit})")
