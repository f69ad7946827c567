// The interrupt handlers and the stop flag they share with the search. The flag is the
// one piece of state a signal handler may touch; it lives here and nowhere else.
#include "driver/interrupts.h"

#include <cstdlib>

#include "driver/run.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::atomic<int> stop_request{0};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch a lock-free flag");

// A first signal asks for a stop; a second, of either kind, ends the program at once.
extern "C" void on_interrupt(int signal_number) {
  if (stop_request.load() > 0) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    return;
  }
  stop_request.store(signal_number);
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

void set_reads_interruptible(bool /*interruptible*/) {}

#else

namespace {

bool handlers_installed = false;

void install_handlers(bool restart_reads) {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = restart_reads ? SA_RESTART : 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

void install_interrupt_handlers() {
  install_handlers(true);  // output is never cut short by a signal
  handlers_installed = true;
}

void set_reads_interruptible(bool interruptible) {
  if (handlers_installed) install_handlers(!interruptible);
}

[[noreturn]] void exit_by_signal(int signal_number) {
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
  std::_Exit(kExitSignalBase + signal_number);  // only if the signal is blocked
}

#endif

const std::atomic<int> *stop_flag() { return &stop_request; }

void clear_stop_flag() { stop_request.store(0); }

void request_stop_for_lost_output() {
  int none = 0;
  stop_request.compare_exchange_strong(none, kStopForLostOutput);
}

int interrupting_signal() {
  int request = stop_request.load();
  return request > 0 ? request : 0;
}
