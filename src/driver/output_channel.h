// The output channel: every message of a run goes to the console and, when one is
// open, the same bytes to the results file. It also owns the key wait, which reads the
// console's input. Its state is one run's: open_output_channel starts it afresh.
#pragma once

#include <cstdio>
#include <string>

// Binds the channel to this run's console streams; no results file is open after it.
void open_output_channel(FILE *console_out, FILE *console_in);
// How the results file takes line ends: the platform's text lines, or bytes as written
// (records: LF on every platform).
enum class FileMode { kText, kBinary };
// Opens the results file; on failure says so on stderr and goes on console-only.
void open_results_file(const char *name, FileMode mode);
// Writes text to the console and the results file. Failures are said once on stderr; a
// failed results file is dropped, a failed console takes no more output.
void write_output(const std::string &text);
// Writes text straight to the console only (the usage pages).
void write_console_only(const char *text);
// Whether the run waits for a key before it exits (and between the usage pages).
void set_key_waits(bool enabled);
enum class KeyPrompt { kContinue, kExit };
// Flushes the outputs and, when key waits are on, reads one key from the console input:
// at a terminal without Enter, with a prompt on standard error when that is a terminal.
void wait_for_key(KeyPrompt prompt);
// Flushes every output after each message (records for a pipe that is read as they come).
void set_flush_each_message(bool enabled);
// Flushes the console and the results file, saying on stderr when either fails.
void flush_outputs();
// Closes the results file, if any, and lets go of the console streams. False when any
// output of the run was lost: the results file could not be opened, written or closed,
// or standard output could not be written.
bool close_output_channel();
// Whether standard output has failed (the run then stops, for nothing more can be shown).
bool console_failed();
// Where the console's unfinished line ends when the console is a terminal; else 0.
int console_terminal_column();
