#include "driver/job/fault_guard.h"

#include <exception>
#include <iostream>
#include <string>

#include "base/internal_check.h"

namespace gorvan {
namespace {

int Report(std::ostream& err, const std::string& what) {
  // What the console already holds stays ahead of the message.
  std::cout.flush();
  err << "gorvan: internal error: " << what
      << "\ngorvan: this is a fault of the program, not of its input; please report it\n";
  err.flush();
  return kInternalErrorExitCode;
}

}  // namespace

int RunGuarded(const std::function<int()>& body, std::ostream& err) {
  try {
    return body();
  } catch (const InternalError& error) {
    return Report(err, std::string(error.what()) + " (in " + error.file() + ":" +
                           std::to_string(error.line()) + ")");
  } catch (const std::exception& error) {
    return Report(err, error.what());
  } catch (...) {
    return Report(err, "an exception of unknown type");
  }
}

}  // namespace gorvan
