// The few things that differ between operating systems, one small function each.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>

// The local date line, such as "5 PM Tuesday, December 08, 2026 UTC"; false when the
// local time cannot be determined.
bool format_local_date(char *buffer, size_t size);
bool stream_is_terminal(FILE *stream);
// How many threads the process may run at once: the cores its CPU affinity allows, else
// the machine's (1 where the build has no threads).
int hardware_threads();
// The width of the terminal behind the stream, or 80 when it cannot be told.
int terminal_columns(FILE *stream);
// Reads one key: from a terminal without waiting for Enter and without echo (Ctrl-C
// still interrupts, and the terminal's settings are restored before it returns), from
// anything else one character. Gives up at a terminal with EOF once *stop is set.
int read_key(FILE *input, const std::atomic<int> *stop);
// Opens the null device onto standard descriptors 0, 1 and 2 that are closed, so no file
// the run opens can take their place; returns whether standard output was closed.
bool guard_standard_descriptors();
// Writes the stream's bytes as they are: no line-end translation on Windows.
void set_binary_mode(FILE *stream);
