// A text file in the working directory, bound to a name and opened for
// writing (created anew) or for reading. Every open, write, close and erase
// is checked at once; a failure throws RuntimeError with the error number and
// the system's reason. Written lines end in CR LF and reach the file when
// their line end is written, so a stop loses no completed line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/extended.h"
#include "textio/field_writer.h"
#include "textio/token_reader.h"

namespace gorvan {

// A file opened for reading is held in memory whole. A larger one is refused
// (error 100): no parameter or table file comes near it, and a name that
// leads to an endless source such as /dev/zero must not exhaust the memory.
inline constexpr size_t kLargestReadableFile = size_t{64} << 20;

class TextFile : public FieldWriter {
 public:
  TextFile() : FieldWriter("\r\n") {}
  ~TextFile() override;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Binds the handle to a file name; the file is not touched.
  void Assign(std::string name);
  const std::string& name() const { return name_; }

  // Creates the file anew for writing, replacing any file of that name.
  void Rewrite();
  // The same for a scratch file that is written in one go and read back at
  // once: whatever stands under the name is removed and a new regular file
  // of the job's own is made (a link is replaced, never written through;
  // this also costs the file system far less than cutting the old file to
  // nothing), and the lines are held and written in one piece by Close. The
  // failures are Rewrite's; a failed write shows at Close.
  void RewriteInOnePiece();
  // Opens the file for reading from its start; a missing file is error 2,
  // one larger than kLargestReadableFile error 100.
  void Reset();
  // Writes any unfinished line and closes the file.
  void Close();
  // Deletes the file of the bound name (the handle must be closed).
  void Erase();

  bool is_open() const { return fd_ >= 0 || reader_ != nullptr; }

  // Reading, as TokenReader; a token that does not convert is error 106.
  int32_t ReadInt();
  Extended ReadReal();
  std::string ReadLine(size_t capacity);
  void SkipLine();
  // The line of the file the last number read stood on (1-based).
  int LastTokenLine() const;
  // True when the last number read met the end of the file (and read as 0).
  bool LastTokenMissing() const;
  // The last number read as it stands in the file (empty when missing).
  std::string LastTokenText() const;
  // Not consumed: the rest of the current line, and all that is unread.
  std::string RestOfLine() const;
  std::string Unread() const;
  // The 1-based line the reading position stands on.
  int CurrentLine() const;

 protected:
  void EmitLine(std::string_view line) override;

 private:
  void WriteAll(std::string_view bytes);
  void RequireReader() const;

  std::string name_;
  int fd_ = -1;
  bool hold_lines_ = false;  // RewriteInOnePiece: lines wait in held_
  std::string held_;
  std::string content_;                  // the whole file while open for reading
  std::unique_ptr<TokenReader> reader_;  // reads content_
};

}  // namespace gorvan
