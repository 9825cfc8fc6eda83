# Fails the build when the program image is too long for an appended archive to start inside
# the window that the program searches (0xBD000 + 1 MiB - 64 KiB).
file(SIZE "${IMAGE}" length)
math(EXPR limit "0xBD000 + 1048576 - 65536")
if(NOT length LESS limit)
  message(FATAL_ERROR "${IMAGE} is ${length} bytes long; it must stay shorter than ${limit} bytes "
                      "so that a package's archive starts inside the searched window.")
endif()
message(STATUS "${IMAGE}: ${length} bytes (limit ${limit})")
