// Interrupts: the first Ctrl-C (SIGINT) or SIGTERM asks the search to stop where it next
// reads its clock, so the run can still print its report and complete its results file;
// then the program ends by that signal. A second one ends it at once.
#pragma once

#include <csignal>

// Installs the handlers; the command does this once, before the run (tests never do).
void install_interrupt_handlers();

// The flag the search polls: non-zero once the run should stop (a signal's number, or
// kStopForLostOutput). Cleared at the start of each run.
const volatile std::sig_atomic_t *stop_flag();
void clear_stop_flag();
constexpr std::sig_atomic_t kStopForLostOutput = -1;
// The run asks the search to stop: its output can no longer be written.
void request_stop_for_lost_output();

// The signal that interrupted the run, or 0.
int interrupting_signal();

// Ends the program as the signal would have without a handler, so that a shell sees
// 128 plus its number (Windows: the console's status for Ctrl-C, 0xC000013A).
[[noreturn]] void exit_by_signal(int signal_number);
