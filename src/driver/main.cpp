// The ratiohunt command: runs the program once on its command line and the console,
// guarding the standard descriptors first and ending by a signal that interrupted it.
#include <cstdio>

#include "driver/interrupts.h"
#include "driver/platform.h"
#include "driver/run.h"

int main(int argc, char **argv) {
  bool stdout_was_closed = guard_standard_descriptors();
  install_interrupt_handlers();
  int status = run_ratiohunt(argc, argv, stdout, stdin);
  if (interrupting_signal() != 0) exit_by_signal(interrupting_signal());
  if (stdout_was_closed) {
    std::fputs("ratiohunt: standard output was closed; what the run wrote there is lost\n", stderr);
    if (status == kExitOk) status = kExitOutputIncomplete;
  }
  return status;
}
