// The interrupt handlers and the stop flag they share with the search. The flag is the
// one piece of state a signal handler may touch; it lives here and nowhere else.
#include "driver/interrupts.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

volatile std::sig_atomic_t stop_request = 0;

// A first signal asks for a stop; a second, of either kind, ends the program at once.
extern "C" void on_interrupt(int signal_number) {
  if (stop_request > 0) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    return;
  }
  stop_request = signal_number;
#ifdef _WIN32
  std::signal(signal_number, on_interrupt);  // the C runtime resets it before each call
#endif
}

}  // namespace

#ifdef _WIN32

void install_interrupt_handlers() {
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGBREAK, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
}

[[noreturn]] void exit_by_signal(int /*signal_number*/) {
  constexpr UINT kControlCExit = 0xC000013A;  // STATUS_CONTROL_C_EXIT
  ExitProcess(kControlCExit);
}

#else

void install_interrupt_handlers() {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // output is not cut short; the key wait polls the flag
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

[[noreturn]] void exit_by_signal(int signal_number) {
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
  std::_Exit(128 + signal_number);  // only if the signal is blocked
}

#endif

const volatile std::sig_atomic_t *stop_flag() { return &stop_request; }

void clear_stop_flag() { stop_request = 0; }

void request_stop_for_lost_output() {
  if (stop_request == 0) stop_request = kStopForLostOutput;
}

int interrupting_signal() { return stop_request > 0 ? static_cast<int>(stop_request) : 0; }
