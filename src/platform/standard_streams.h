// Standard input, output and error as the program uses them.
#pragma once

namespace gorvan {

// Every byte passes unchanged: console lines end in LF, whatever the
// system's text mode would make of them.
void MakeStandardStreamsBinary();
// Is standard output a terminal?
bool StandardOutputIsTerminal();

}  // namespace gorvan
