// The console as the program sees it: a writer of lines that can also clear
// the screen, sound the alert and wait for the Enter key. The terminal form
// lives with the reports; tests give their own.
#pragma once

#include "textio/field_writer.h"

namespace gorvan {

class Console : public FieldWriter {
 public:
  // Fills the window with blanks and puts the cursor at the top left.
  virtual void ClearScreen() = 0;
  // The standard alert, then a short wait so that it is heard.
  virtual void Alert() = 0;
  // Reads one line of input and discards it; at the end of input it returns
  // at once, so that an unattended run never hangs.
  virtual void WaitForEnter() = 0;

 protected:
  Console() : FieldWriter("\n") {}
};

}  // namespace gorvan
