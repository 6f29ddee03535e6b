#include "driver/command_line/check_design.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/program_stop.h"
#include "base/runtime_error.h"
#include "driver/command_line/design_json.h"
#include "driver/job/read_parameters.h"
#include "input/parameter_source.h"
#include "report/terminal_console.h"

namespace gorvan {
namespace {

// The console lines of a stop without the empty lines that frame them on
// the screen.
void WriteTrimmed(std::ostream& err, const std::string& console_text) {
  std::vector<std::string> lines;
  std::istringstream in(console_text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  size_t first = 0, last = lines.size();
  while (first < last && lines[first].find_first_not_of(' ') == std::string::npos) ++first;
  while (last > first && lines[last - 1].find_first_not_of(' ') == std::string::npos) --last;
  for (size_t i = first; i < last; ++i) err << "gorvan: " << lines[i] << '\n';
}

}  // namespace

int CheckDesign(std::ostream& out, std::ostream& err) {
  // The reader's messages (and the banner on success) are kept aside: only
  // the design goes to standard output.
  std::ostringstream console_out;
  std::istringstream console_in;
  TerminalConsole console(console_out, console_in, false);
  auto state = std::make_unique<State>(console);
  auto noted = std::make_unique<ParameterSource>();
  try {
    ReadParameters(*state, *noted, err);
  } catch (const ProgramStop& stop) {
    WriteTrimmed(err, console_out.str());
    return stop.exit_code;
  } catch (const RuntimeError& error) {
    for (const std::string& line : error.ConsoleLines()) console.Text(line).EndLine();
    WriteTrimmed(err, console_out.str());
    return error.number();
  }
  out << DesignJson(*state, *noted);
  out.flush();
  return out ? 0 : kDiskWriteError;
}

}  // namespace gorvan
