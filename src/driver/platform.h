// The few things that differ between operating systems, one small function each.
#pragma once

#include <cstddef>
#include <cstdio>

// The local date line, such as "5 PM Tuesday, December 08, 2026 UTC"; false when the
// local time cannot be determined.
bool format_local_date(char *buffer, size_t size);
bool stream_is_terminal(FILE *stream);
