#include "harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace gorvan::e2e {
namespace {

std::string Slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult RunGorvan(const std::filesystem::path& dir, const std::vector<std::string>& args,
                    const std::string& input) {
  Launch launch;
  launch.args = args;
  launch.input = input;
  return RunGorvan(dir, launch);
}

RunResult RunGorvan(const std::filesystem::path& dir, const Launch& launch) {
  // Standard streams go through files outside the working directory, so the
  // directory holds only what the program itself leaves there.
  const std::filesystem::path io =
      std::filesystem::temp_directory_path() / ("gorvan-e2e-io-" + std::to_string(::getpid()));
  std::filesystem::create_directories(io);
  { std::ofstream(io / "stdin", std::ios::binary) << launch.input; }

  std::vector<std::string> argv_storage{GORVAN_BINARY};
  argv_storage.insert(argv_storage.end(), launch.args.begin(), launch.args.end());
  std::vector<char*> argv;
  for (std::string& arg : argv_storage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int console_pipe[2] = {-1, -1};
  if (launch.watch_console) {
    if (::pipe2(console_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    // One page: the smallest pipe the system allows. Tests count on it.
    if (::fcntl(console_pipe[1], F_SETPIPE_SZ, 4096) < 0) {
      throw std::runtime_error("the console pipe cannot be made one page small");
    }
  }

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = ::open((io / "stdin").c_str(), O_RDONLY);
    const int out = launch.watch_console
                        ? console_pipe[1]
                        : ::open((io / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open((io / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) ::_exit(127);
    // SIGXFSZ as a user's shell leaves it: the program itself must turn a
    // write beyond a file-size limit into an error instead of dying of it.
    ::signal(SIGXFSZ, SIG_DFL);
    if (launch.file_size_limit > 0) {
      const rlimit limit{static_cast<rlim_t>(launch.file_size_limit),
                         static_cast<rlim_t>(launch.file_size_limit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
    }
    if (launch.umask >= 0) ::umask(static_cast<mode_t>(launch.umask));
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (int fd : {in, out, err}) {
      if (fd > 2) ::close(fd);
    }
    for (const auto& [resource, value] : {std::pair{RLIMIT_NOFILE, launch.open_files_limit},
                                          std::pair{RLIMIT_AS, launch.address_space_limit}}) {
      const rlimit limit{static_cast<rlim_t>(value), static_cast<rlim_t>(value)};
      if (value > 0 && ::setrlimit(resource, &limit) != 0) ::_exit(127);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (launch.pid != nullptr) *launch.pid = pid;
  RunResult result;
  if (launch.watch_console) {
    ::close(console_pipe[1]);
    char buffer[512];
    for (;;) {
      const ssize_t got = ::read(console_pipe[0], buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      result.output.append(buffer, static_cast<size_t>(got));
      launch.watch_console(result.output);
    }
    ::close(console_pipe[0]);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  result.peak_memory_kb = usage.ru_maxrss;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (!launch.watch_console) result.output = Slurp(io / "stdout");
  result.errors = Slurp(io / "stderr");
  std::filesystem::remove_all(io);
  return result;
}

std::string UnexpectedErrors(const std::string& errors) {
  std::string unexpected;
  size_t start = 0;
  while (start < errors.size()) {
    size_t end = errors.find('\n', start);
    end = end == std::string::npos ? errors.size() : end + 1;
    const std::string_view line(errors.data() + start, end - start);
    if (!line.starts_with("gorvan: ")) unexpected += line;
    start = end;
  }
  return unexpected;
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "gorvan-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::Write(const std::string& name, const std::string& content) const {
  std::ofstream(path_ / name, std::ios::binary) << content;
}

std::string ScratchDir::Read(const std::string& name) const { return Slurp(path_ / name); }

bool ScratchDir::Exists(const std::string& name) const {
  return std::filesystem::exists(path_ / name);
}

std::vector<std::string> ScratchDir::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace gorvan::e2e
