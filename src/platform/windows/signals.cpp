// Signals on Windows: no file-size signal and no hang-up; Ctrl-C and
// Ctrl-Break arrive through the C runtime's SIGINT and SIGBREAK, a closed
// console window through the console control handler.
#include "platform/signals.h"

#include <csignal>
#include <cstdlib>
#include <io.h>
#include <windows.h>

namespace gorvan {
namespace {

void (*interrupt_handler)(int) = nullptr;

void OnSignal(int signal) {
  std::signal(signal, OnSignal);  // the runtime resets the handler at each signal
  interrupt_handler(signal);
}

BOOL WINAPI OnConsoleClosed(DWORD event) {
  if (event != CTRL_CLOSE_EVENT && event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT) {
    return FALSE;  // Ctrl-C and Ctrl-Break come as signals
  }
  interrupt_handler(SIGTERM);
  return TRUE;
}

}  // namespace

void IgnoreFileSizeSignal() {}

void CatchInterruptSignals(void (*handler)(int signal)) {
  interrupt_handler = handler;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGBREAK, OnSignal);
  ::SetConsoleCtrlHandler(OnConsoleClosed, TRUE);
}

void WriteToStandardErrorNow(const char* text, size_t size) {
  if (::_write(2, text, static_cast<unsigned>(size)) < 0) return;
}

void ExitNow(int code) { ::_exit(code); }

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGBREAK:
      return "SIGBREAK";
    default:
      return "a signal";
  }
}

}  // namespace gorvan
