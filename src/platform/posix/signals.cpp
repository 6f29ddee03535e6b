#include "platform/signals.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace gorvan {

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

void CatchInterruptSignals(void (*handler)(int signal)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void WriteToStandardErrorNow(const char* text, size_t size) {
  if (::write(STDERR_FILENO, text, size) < 0) return;  // nothing more can be done
}

void ExitNow(int code) { ::_exit(code); }

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace gorvan
