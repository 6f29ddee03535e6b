#include "textio/text_file.h"

#include <cerrno>
#include <cstring>

#include "base/runtime_error.h"
#include "platform/files.h"
#include "textio/fresh_file.h"

namespace gorvan {
namespace {

std::string Reason(int errno_value) { return std::strerror(errno_value); }

[[noreturn]] void Fail(FileOperation operation, int errno_value, const std::string& doing) {
  throw RuntimeError(ErrorNumberFor(operation, errno_value), doing + ": " + Reason(errno_value));
}

}  // namespace

TextFile::~TextFile() {
  // Best effort on the way out of a stop: keep what was written so far.
  if (fd_ >= 0) {
    for (const std::string* rest : {&held_, &pending_}) {
      if (rest->empty()) continue;
      const long ignored = WriteSome(fd_, rest->data(), rest->size());
      (void)ignored;
    }
    CloseFile(fd_);
  }
}

void TextFile::Assign(std::string name) { name_ = std::move(name); }

void TextFile::Rewrite() {
  if (is_open()) Close();
  pending_.clear();
  held_.clear();
  hold_lines_ = false;
  const int fd = OpenFile(name_, OpenFor::kRewriting);
  if (fd < 0) Fail(FileOperation::kCreate, errno, "creating file " + name_);
  fd_ = fd;
}

void TextFile::RewriteInOnePiece() {
  if (is_open()) Close();
  pending_.clear();
  held_.clear();
  fd_ = CreateFreshFile(name_);
  hold_lines_ = true;
}

void TextFile::Reset() {
  if (is_open()) Close();
  const int fd = OpenFile(name_, OpenFor::kReading);
  if (fd < 0) Fail(FileOperation::kOpenForReading, errno, "opening file " + name_ + " for reading");
  if (IsDirectory(fd)) {
    CloseFile(fd);
    Fail(FileOperation::kOpenForReading, EISDIR, "opening file " + name_ + " for reading");
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const long got = ReadSome(fd, buffer, sizeof buffer);
    if (got == 0) break;
    int error = 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = errno;
    } else if (content.size() + static_cast<size_t>(got) > kLargestReadableFile) {
      error = EFBIG;
    }
    if (error != 0) {
      CloseFile(fd);
      Fail(FileOperation::kRead, error, "reading file " + name_);
    }
    content.append(buffer, static_cast<size_t>(got));
  }
  CloseFile(fd);
  content_ = std::move(content);
  reader_ = std::make_unique<TokenReader>(content_);
}

void TextFile::Close() {
  if (reader_) {
    reader_.reset();
    content_.clear();
    return;
  }
  if (fd_ < 0) return;
  std::string rest;
  rest.swap(held_);
  rest += pending_;
  pending_.clear();
  hold_lines_ = false;
  WriteAll(rest);
  const int fd = fd_;
  fd_ = -1;
  if (!CloseFile(fd)) Fail(FileOperation::kClose, errno, "closing file " + name_);
}

void TextFile::Erase() {
  if (!RemoveName(name_)) Fail(FileOperation::kErase, errno, "deleting file " + name_);
}

void TextFile::EmitLine(std::string_view line) {
  if (fd_ < 0) {
    throw RuntimeError(kDiskWriteError,
                       "writing file " + name_ + ": the file is not open for writing");
  }
  if (hold_lines_) {
    held_ += line;
  } else {
    WriteAll(line);
  }
}

void TextFile::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const long done = WriteSome(fd_, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      Fail(FileOperation::kWrite, errno, "writing file " + name_);
    }
    bytes.remove_prefix(static_cast<size_t>(done));
  }
}

void TextFile::RequireReader() const {
  if (!reader_) {
    throw RuntimeError(kDiskReadError,
                       "reading file " + name_ + ": the file is not open for reading");
  }
}

int32_t TextFile::ReadInt() {
  RequireReader();
  try {
    return reader_->ReadInt();
  } catch (const TokenError& e) {
    throw RuntimeError(kInvalidNumericFormat, "reading an integer from file " + name_ + ", line " +
                                                  std::to_string(e.line) + ": \"" + e.token +
                                                  "\" is not a valid integer");
  }
}

Extended TextFile::ReadReal() {
  RequireReader();
  try {
    return reader_->ReadReal();
  } catch (const TokenError& e) {
    throw RuntimeError(kInvalidNumericFormat, "reading a number from file " + name_ + ", line " +
                                                  std::to_string(e.line) + ": \"" + e.token +
                                                  "\" is not a valid number");
  }
}

std::string TextFile::ReadLine(size_t capacity) {
  RequireReader();
  return reader_->ReadLine(capacity);
}

void TextFile::SkipLine() {
  RequireReader();
  reader_->SkipLine();
}

int TextFile::LastTokenLine() const {
  RequireReader();
  return reader_->last_token_line();
}

bool TextFile::LastTokenMissing() const {
  RequireReader();
  return reader_->last_token_missing();
}

std::string TextFile::LastTokenText() const {
  RequireReader();
  return std::string(reader_->last_token_text());
}

std::string TextFile::RestOfLine() const {
  RequireReader();
  return std::string(reader_->RestOfLine());
}

std::string TextFile::Unread() const {
  RequireReader();
  return std::string(reader_->Unread());
}

int TextFile::CurrentLine() const {
  RequireReader();
  return reader_->line();
}

}  // namespace gorvan
