// The few things that differ between operating systems, one small function each.
#pragma once

#include <cstddef>
#include <cstdio>

// The local date line, such as "5 PM Tuesday, December 08, 2026 UTC"; false when the
// local time cannot be determined.
bool format_local_date(char *buffer, size_t size);
bool stream_is_terminal(FILE *stream);
// Reads one key from a terminal without waiting for Enter and without echo; Ctrl-C
// still interrupts. The terminal's settings are restored before it returns.
int read_terminal_key(FILE *terminal);
// Writes the stream's bytes as they are: no line-end translation on Windows.
void set_binary_mode(FILE *stream);
