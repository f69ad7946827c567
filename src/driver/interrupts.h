// Interrupts: the first Ctrl-C (SIGINT) or SIGTERM asks the search to stop where it next
// reads its clock, so the run can still print its report and complete its results file;
// then the program ends by that signal. A second one ends it at once.
#pragma once

#include <atomic>
#include <csignal>

#include "search/search.h"

// Installs the handlers; the command does this once, before the run (tests never do).
void install_interrupt_handlers();

// The flag the search polls: non-zero once the run should stop (a signal's number, or
// the search's kStopForLostOutput). Cleared at the start of each run. Lock-free, so a
// handler may set it whichever thread it runs on.
const std::atomic<int> *stop_flag();
void clear_stop_flag();
// The run asks the search to stop: its output can no longer be written.
void request_stop_for_lost_output();

// The signal that interrupted the run, or 0.
int interrupting_signal();

// While true, a signal cuts a blocking read short (the key wait), instead of letting it
// go on after the handler as every other read and write does.
void set_reads_interruptible(bool interruptible);

// Ends the program as the signal would have without a handler, so that a shell sees
// 128 plus its number (Windows: the console's status for Ctrl-C, 0xC000013A).
[[noreturn]] void exit_by_signal(int signal_number);
