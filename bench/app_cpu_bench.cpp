// The whole program as users run it, measured from outside: the real executable with its window,
// started afresh for each case (no device, the simulated keyboard on its cable or through its
// receiver with static lighting, and a host-driven effect streamed on the cable; each with the
// window shown and hidden), on the offscreen platform and, when Xvfb is installed, on an X
// server of the bench's own.
//
// For each of the program's threads it reports the CPU time per second of wall time and the
// wake-ups (voluntary context switches) per second (proc_threads.h); threads named "sim-*" are
// the device simulator's and are totalled apart. Beside a case's figure it shows the lowest and
// highest of five consecutive parts of the window. In the streamed cases it asks the program for
// the simulated keyboard's frame counters before and after the window, and sets the frame rate
// against what the frame poll allows: the poll is re-armed 5 ms after each frame ends.
//
// Each start gets fresh XDG data and config folders; the whole run gets a private D-Bus session
// bus, so that the program's single-instance check never reaches a copy the user is running.
// Every child is ended on exit, also on failure or a signal (child_process.h).
//
// A timed program rather than a Google Benchmark loop: what is measured is the steady state of
// another process over seconds.
// Usage: qv_app_cpu_bench [seconds per window, default 10] [--quick] [-v] [--program <path>]
// Exits 0 when it ran, 1 when the program could not be started in some case, 2 on bad usage.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "proc_threads.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using qv::bench::Child;
using qv::bench::LaunchOptions;
using qv::bench::ThreadUse;

constexpr double kPollRearmMs = 5.0;
constexpr int kHostDrivenProfileMode = 30;
constexpr auto kWarmUp = std::chrono::seconds(3);
constexpr auto kStatsTimeout = std::chrono::seconds(1);
constexpr auto kSampleEvery = std::chrono::milliseconds(100);
// The measured window is also read in this many parts, to show how steady the figure was (on a
// virtual machine a neighbour's burst can double a part's figure).
constexpr int kParts = 5;

struct Options {
  double seconds = 10;
  bool verbose = false;
  std::string program = QV_APP_PROGRAM;
};

enum class Device { kNone, kCable, kReceiver };

struct Case {
  int number;
  const char* label;
  Device device;
  bool hidden;
  bool streamed;
};

constexpr Case kCases[] = {
    {1, "no device, shown", Device::kNone, false, false},
    {2, "no device, hidden", Device::kNone, true, false},
    {3, "cable, static, shown", Device::kCable, false, false},
    {4, "cable, static, hidden", Device::kCable, true, false},
    {5, "receiver, static, shown", Device::kReceiver, false, false},
    {6, "receiver, static, hidden", Device::kReceiver, true, false},
    {7, "cable, streamed, shown", Device::kCable, false, true},
    {8, "cable, streamed, hidden", Device::kCable, true, true},
};

struct Platform {
  std::string name;
  std::vector<std::string> env;
};

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// The bench's environment without what each start sets for itself.
std::vector<std::string> BaseEnvironment() {
  static const char* const kDropped[] = {
      "DISPLAY=",         "WAYLAND_DISPLAY=",          "QT_QPA_PLATFORM=", "XDG_DATA_HOME=",
      "XDG_CONFIG_HOME=", "DBUS_SESSION_BUS_ADDRESS=", "QV5307_"};
  std::vector<std::string> env;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const bool dropped = std::any_of(std::begin(kDropped), std::end(kDropped),
                                     [&](const char* prefix) { return text.starts_with(prefix); });
    if (!dropped) env.push_back(text);
  }
  return env;
}

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qv_app_cpu_bench.XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  bool Ok() const { return !path_.empty(); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The user's keyboard profile made from the factory default with another light mode, as the
// program's tests seed it: a one-entry profile list and the profile with "SelectItem" = `mode`.
// Of the form profile identifiers take; the program refuses any other.
constexpr const char* kSeededProfileId = "2024_01_01_00_00_00_000";

bool SeedKeyboardProfile(const fs::path& dataHome, int mode, std::string* error) {
  const fs::path folder = dataHome / "QV5307" / "keyboard";
  std::error_code code;
  fs::create_directories(folder, code);
  std::ifstream source(QV_SOURCE_DIR "/data/DefaultData/keyboard.Json", std::ios::binary);
  std::stringstream read;
  read << source.rdbuf();
  std::string text = read.str();
  const size_t at = text.find("\"SelectItem\"");
  const size_t colon = at == std::string::npos ? at : text.find(':', at);
  if (code || text.empty() || colon == std::string::npos) {
    *error = "cannot seed the keyboard profile from " QV_SOURCE_DIR "/data/DefaultData";
    return false;
  }
  size_t end = colon + 1;
  while (end < text.size() && (text[end] == ' ' || (text[end] >= '0' && text[end] <= '9'))) ++end;
  text.replace(colon + 1, end - colon - 1, " " + std::to_string(mode));
  std::ofstream(folder / "ProfileList.ini", std::ios::binary)
      << R"({"profilelist":[{"profileUUID":")" << kSeededProfileId
      << R"(","profilename":"Seeded"}],"profileselect":0})";
  std::ofstream profile(folder / (std::string(kSeededProfileId) + ".Json"), std::ios::binary);
  profile << text;
  if (!profile) *error = "cannot write the keyboard profile under " + folder.string();
  return static_cast<bool>(profile);
}

struct SimStats {
  uint64_t frames = 0, chunks = 0, busyUs = 0;
  Clock::time_point at;
};

// The program under test, with its standard input and output on pipes.
class Program {
 public:
  ~Program() { Stop(); }

  // `startNs` is taken right before the spawn.
  bool Start(const std::string& path, std::vector<std::string> env, bool verbose,
             std::string* error) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
      *error = std::string("pipe: ") + std::strerror(errno);
      return false;
    }
    LaunchOptions launch;
    launch.argv = {path};
    launch.env = std::move(env);
    launch.stdinFd = in[0];
    launch.stdoutFd = out[1];
    launch.stderrFd = verbose ? STDERR_FILENO : -1;
    verbose_ = verbose;
    startNs = MonotonicNs();
    const bool started = child_.Spawn(launch, error);
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
    return started;
  }

  void Send(const std::string& line) {
    const std::string text = line + "\n";
    if (in_ >= 0 && ::write(in_, text.data(), text.size()) < 0 && verbose_) {
      std::fprintf(stderr, "bench: writing \"%s\" to the program: %s\n", line.c_str(),
                   std::strerror(errno));
    }
  }

  // Reads the program's output until `deadline`, or until `done` holds.
  void Pump(Clock::time_point deadline, const std::function<bool()>& done = {}) {
    while (!(done && done())) {
      qv::bench::ThrowIfInterrupted();
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return;
      pollfd readable{out_, POLLIN, 0};
      const int ready = ::poll(&readable, out_ >= 0 ? 1 : 0, static_cast<int>(left.count()));
      if (ready <= 0) continue;  // timed out, or a signal: the loop checks both
      char buffer[4096];
      const ssize_t got = ::read(out_, buffer, sizeof buffer);
      if (got <= 0) {
        ::close(out_);  // end of output: the loop sleeps out the rest
        out_ = -1;
        continue;
      }
      partial_.append(buffer, static_cast<size_t>(got));
      for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
        OnLine(partial_.substr(0, end));
        partial_.erase(0, end + 1);
      }
    }
  }

  // Sends `stats` and waits for the answer; nothing after kStatsTimeout.
  std::optional<SimStats> RequestStats() {
    const size_t before = stats_.size();
    Send("stats");
    Pump(Clock::now() + kStatsTimeout, [&] { return stats_.size() > before; });
    if (stats_.size() == before) return std::nullopt;
    return stats_.back();
  }

  bool Running() { return child_.Running(); }
  const std::string& EndText() const { return child_.EndText(); }
  pid_t Pid() const { return child_.Pid(); }

  void Stop() {
    child_.Stop();
    for (int* fd : {&in_, &out_}) {
      if (*fd >= 0) ::close(*fd);
      *fd = -1;
    }
  }

  int64_t startNs = 0;
  std::optional<int64_t> firstWindowNs;

 private:
  void OnLine(const std::string& line) {
    if (verbose_) std::fprintf(stderr, "program: %s\n", line.c_str());
    long long ns = 0;
    SimStats stats;
    unsigned long long frames = 0, chunks = 0, busy = 0;
    if (!firstWindowNs && std::sscanf(line.c_str(), "first-window %lld", &ns) == 1) {
      firstWindowNs = ns;
    } else if (std::sscanf(line.c_str(), "sim-stats frames=%llu chunks=%llu busy-us=%llu", &frames,
                           &chunks, &busy) == 3) {
      stats.frames = frames;
      stats.chunks = chunks;
      stats.busyUs = busy;
      stats.at = Clock::now();
      stats_.push_back(stats);
    }
  }

  Child child_;
  int in_ = -1, out_ = -1;
  bool verbose_ = false;
  std::string partial_;
  std::vector<SimStats> stats_;
};

struct Stream {
  double fps = 0;
  std::optional<double> frameMs;  // none when no frame was sent
  uint64_t frames = 0, chunks = 0;
};

// The program's own threads (the simulator's left out) over a window, per second.
struct Use {
  double cpuMs = 0;
  double wakeUps = 0;
};

struct CaseResult {
  std::string failure;  // the case did not run
  std::vector<std::string> notes;
  std::vector<ThreadUse> threads;  // over the whole window
  double seconds = 0;
  std::vector<Use> parts;  // each part of the window
  std::optional<double> firstWindowMs;
  std::optional<Stream> stream;
};

bool IsSim(const ThreadUse& thread) {
  return thread.name.starts_with("sim-");
}

Use ProgramUse(const std::vector<ThreadUse>& threads, double seconds) {
  Use use;
  seconds = std::max(seconds, 1e-9);
  for (const ThreadUse& thread : threads) {
    if (IsSim(thread)) continue;
    use.cpuMs += static_cast<double>(thread.cpuNs) / 1e6 / seconds;
    use.wakeUps += static_cast<double>(thread.wakeUps) / seconds;
  }
  return use;
}

CaseResult RunCase(const Options& options, const Platform& platform, const Case& item,
                   const std::string& busAddress) {
  CaseResult result;
  TempDir home;
  if (!home.Ok()) {
    result.failure = std::string("cannot make a temporary folder: ") + std::strerror(errno);
    return result;
  }
  const fs::path data = home.Path() / "data", config = home.Path() / "config";
  fs::create_directories(data);
  fs::create_directories(config);
  if (item.streamed && !SeedKeyboardProfile(data, kHostDrivenProfileMode, &result.failure)) {
    return result;
  }

  std::vector<std::string> env = BaseEnvironment();
  env.insert(env.end(), platform.env.begin(), platform.env.end());
  env.push_back("XDG_DATA_HOME=" + data.string());
  env.push_back("XDG_CONFIG_HOME=" + config.string());
  env.push_back("DBUS_SESSION_BUS_ADDRESS=" + busAddress);
  env.push_back("QV5307_REPORT_STARTUP=1");
  if (item.device == Device::kCable) env.push_back("QV5307_SIMULATE=1");
  if (item.device == Device::kReceiver) env.push_back("QV5307_SIMULATE=receiver");
  if (item.hidden) env.push_back("QV5307_START_HIDDEN=1");

  Program program;
  if (!program.Start(options.program, env, options.verbose, &result.failure)) return result;
  if (item.streamed) {
    program.Send("light 254");
    program.Send("host-effect spectrum");
  }
  program.Pump(Clock::now() + kWarmUp);
  if (!program.Running()) {
    result.failure = "the program " + program.EndText() + " during its start" +
                     (options.verbose ? "" : " (run with -v for its messages)");
    return result;
  }

  std::optional<SimStats> before;
  if (item.streamed) before = program.RequestStats();
  // The whole window for the figures and the thread table, and its parts one after another.
  qv::bench::ThreadSampler sampler(program.Pid());
  sampler.Begin();
  const auto part = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(options.seconds / kParts));
  for (int n = 0; n < kParts; ++n) {
    qv::bench::ThreadSampler piece(program.Pid());
    piece.Begin();
    const auto end = Clock::now() + part;
    while (Clock::now() < end) {
      program.Pump(std::min(end, Clock::now() + kSampleEvery));
      sampler.Sample();
      piece.Sample();
    }
    piece.End();
    result.parts.push_back(ProgramUse(piece.Threads(), piece.Seconds()));
  }
  sampler.End();
  result.threads = sampler.Threads();
  result.seconds = sampler.Seconds();
  if (!program.Running()) result.notes.push_back("the program " + program.EndText());

  if (item.streamed) {
    const std::optional<SimStats> after = before ? program.RequestStats() : std::nullopt;
    if (!before || !after) {
      result.notes.push_back("no sim-stats line within 1 s of `stats`");
    } else {
      Stream stream;
      stream.frames = after->frames - before->frames;
      stream.chunks = after->chunks - before->chunks;
      stream.fps = static_cast<double>(stream.frames) /
                   std::chrono::duration<double>(after->at - before->at).count();
      if (stream.frames > 0) {
        stream.frameMs = static_cast<double>(after->busyUs - before->busyUs) / 1000.0 /
                         static_cast<double>(stream.frames);
      } else {
        result.notes.push_back("no frames streamed in the window");
      }
      result.stream = stream;
    }
  }
  if (program.firstWindowNs) {
    result.firstWindowMs = static_cast<double>(*program.firstWindowNs - program.startNs) / 1e6;
  }
  return result;
}

std::string Fixed(std::optional<double> value, int decimals, int width) {
  char text[32];
  if (value) {
    std::snprintf(text, sizeof text, "%*.*f", width, decimals, *value);
  } else {
    std::snprintf(text, sizeof text, "%*s", width, "n/a");
  }
  return text;
}

void PrintHeader() {
  std::printf("%-9s %-26s %9s %-11s %8s  %-22s %8s  %6s %8s %8s %8s %8s\n", "platform", "case",
              "ms/s", "range", "wake/s", "busiest thread (ms/s)", "sim ms/s", "fps", "frame ms",
              "poll fps", "achieved", "wire fps");
}

void PrintCase(const Platform& platform, const Case& item, const CaseResult& result, bool verbose) {
  char label[64];
  std::snprintf(label, sizeof label, "%d %s", item.number, item.label);
  std::printf("%-9s %-26s ", platform.name.c_str(), label);
  if (!result.failure.empty()) {
    std::printf("FAILED: %s\n", result.failure.c_str());
    return;
  }
  const double seconds = std::max(result.seconds, 1e-9);
  double simCpu = 0;
  const ThreadUse* busiest = nullptr;
  for (const ThreadUse& thread : result.threads) {
    if (IsSim(thread)) {
      simCpu += static_cast<double>(thread.cpuNs);
      continue;
    }
    if (!busiest || thread.cpuNs > busiest->cpuNs) busiest = &thread;
  }
  char top[64] = "-";
  if (busiest) {
    std::snprintf(top, sizeof top, "%s %.1f", busiest->name.c_str(),
                  static_cast<double>(busiest->cpuNs) / 1e6 / seconds);
  }
  std::vector<double> parts;
  for (const Use& use : result.parts) parts.push_back(use.cpuMs);
  const auto [low, high] = std::minmax_element(parts.begin(), parts.end());
  char range[32] = "-";
  if (!parts.empty()) std::snprintf(range, sizeof range, "%.1f-%.1f", *low, *high);
  const Use whole = ProgramUse(result.threads, seconds);
  std::printf("%9.1f %-11s %8.0f  %-22s %8.1f  ", whole.cpuMs, range, whole.wakeUps, top,
              simCpu / 1e6 / seconds);
  if (!item.streamed) {
    std::printf("%6s %8s %8s %8s %8s", "-", "-", "-", "-", "-");
  } else if (!result.stream) {
    std::printf("%6s %8s %8s %8s %8s", "n/a", "n/a", "n/a", "n/a", "n/a");
  } else {
    const Stream& stream = *result.stream;
    std::optional<double> allowed, achieved, wire;
    if (stream.frameMs) {
      allowed = 1000.0 / (kPollRearmMs + *stream.frameMs);
      achieved = 100.0 * stream.fps / *allowed;
      if (*stream.frameMs > 0) wire = 1000.0 / *stream.frameMs;
    }
    std::printf("%6.1f %s %s %s%% %s", stream.fps, Fixed(stream.frameMs, 2, 8).c_str(),
                Fixed(allowed, 1, 8).c_str(), Fixed(achieved, 0, 7).c_str(),
                Fixed(wire, 1, 8).c_str());
  }
  for (const std::string& note : result.notes) std::printf("  -- %s", note.c_str());
  std::printf("\n");

  if (!verbose) return;
  if (result.stream) {
    std::printf("    frames %llu, chunks %llu over the window\n",
                static_cast<unsigned long long>(result.stream->frames),
                static_cast<unsigned long long>(result.stream->chunks));
  }
  std::vector<ThreadUse> threads = result.threads;
  std::sort(threads.begin(), threads.end(),
            [](const ThreadUse& a, const ThreadUse& b) { return a.cpuNs > b.cpuNs; });
  std::printf("    %8s  %-16s %9s %8s  %s\n", "tid", "thread", "ms/s", "wake/s", "seen");
  for (const ThreadUse& thread : threads) {
    const char* seen = thread.fromStart && thread.toEnd ? "whole window"
                       : thread.fromStart               ? "ended in the window"
                       : thread.toEnd                   ? "started in the window"
                                                        : "started and ended in the window";
    std::printf("    %8d  %-16s %9.2f %8.1f  %s%s\n", static_cast<int>(thread.tid),
                thread.name.c_str(), static_cast<double>(thread.cpuNs) / 1e6 / seconds,
                static_cast<double>(thread.wakeUps) / seconds, seen,
                IsSim(thread) ? " (simulator)" : "");
  }
}

// Reads one line from `fd` within `timeout`; empty when none came.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    qv::bench::ThrowIfInterrupted();
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return {};
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[512];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) return {};
    line.append(buffer, static_cast<size_t>(got));
  }
  return line.substr(0, line.find('\n'));
}

// A private session bus for the whole run; its address, or empty when it could not be started.
std::string StartSessionBus(Child& daemon, bool verbose) {
  int address[2];
  if (::pipe2(address, O_CLOEXEC) != 0) return {};
  LaunchOptions launch;
  launch.argv = {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=3"};
  launch.env = BaseEnvironment();
  launch.stderrFd = verbose ? STDERR_FILENO : -1;
  launch.fd3 = address[1];
  std::string error;
  const bool started = daemon.Spawn(launch, &error);
  ::close(address[1]);
  const std::string line = started ? ReadLine(address[0], std::chrono::seconds(5)) : "";
  ::close(address[0]);
  if (!started) std::fprintf(stderr, "bench: %s\n", error.c_str());
  return line;
}

// An X server of the bench's own on the first free display from :90.
class XServer {
 public:
  ~XServer() { Stop(); }

  // Starts Xvfb and waits for its socket; false when no display could be had.
  bool Start(bool verbose) {
    for (int display = 90; display < 120; ++display) {
      const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(display);
      const fs::path lock = "/tmp/.X" + std::to_string(display) + "-lock";
      if (fs::exists(socket) || fs::exists(lock)) continue;
      LaunchOptions launch;
      launch.argv = {
          "Xvfb", ":" + std::to_string(display), "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
      launch.env = BaseEnvironment();
      launch.stderrFd = verbose ? STDERR_FILENO : -1;
      launch.deathSignal = SIGTERM;  // lets it remove its lock and socket
      std::string error;
      if (!server_.Spawn(launch, &error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return false;
      }
      display_ = display;
      const auto deadline = Clock::now() + std::chrono::seconds(10);
      while (server_.Running() && !fs::exists(socket) && Clock::now() < deadline) {
        qv::bench::SleepUntil(Clock::now() + std::chrono::milliseconds(20));
      }
      if (server_.Running() && fs::exists(socket)) return true;
      Stop();  // another server took this display meanwhile, or it failed: the next one
    }
    return false;
  }

  int Display() const { return display_; }

  // Ends the server; a server that had to be killed leaves its lock and socket, which go too
  // when the lock still names it.
  void Stop() {
    if (display_ < 0) return;
    const pid_t pid = server_.Pid();
    server_.Stop();
    const fs::path lock = "/tmp/.X" + std::to_string(display_) + "-lock";
    std::ifstream in(lock);
    pid_t owner = 0;
    if (in >> owner && owner == pid) {
      std::error_code ignored;
      fs::remove(lock, ignored);
      fs::remove("/tmp/.X11-unix/X" + std::to_string(display_), ignored);
    }
    display_ = -1;
  }

 private:
  Child server_;
  int display_ = -1;
};

bool ParseArguments(int argc, char** argv, Options& options) {
  bool quick = false, secondsGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    char* end = nullptr;
    const double seconds = std::strtod(arg.c_str(), &end);
    if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--quick") {
      quick = true;
    } else if (arg == "--program" && i + 1 < argc) {
      options.program = argv[++i];
    } else if (arg.starts_with("--program=")) {
      options.program = arg.substr(std::strlen("--program="));
    } else if (!arg.empty() && *end == '\0' && seconds > 0) {
      options.seconds = seconds;
      secondsGiven = true;
    } else {
      return false;
    }
  }
  if (quick && !secondsGiven) options.seconds = 2;
  return true;
}

int Run(const Options& options) {
  if (options.program.empty() || ::access(options.program.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "bench: no program to run at \"%s\"; give it with --program <path>\n",
                 options.program.c_str());
    return 1;
  }
  std::printf("program %s; each case: %.0f s warm-up after the start, then %.1f s measured\n",
              options.program.c_str(), std::chrono::duration<double>(kWarmUp).count(),
              options.seconds);

  Child bus;
  std::optional<TempDir> noBusFolder;
  std::string busAddress = StartSessionBus(bus, options.verbose);
  if (busAddress.empty()) {
    // An address nobody listens on still keeps the program away from the user's own bus.
    busAddress = "unix:path=" + (noBusFolder.emplace().Path() / "no-bus").string();
    std::printf(
        "note: no private session bus (dbus-daemon failed); the program runs without one\n");
  }

  std::vector<Platform> platforms = {{"offscreen", {"QT_QPA_PLATFORM=offscreen"}}};
  XServer xvfb;
  if (!OnPath("Xvfb")) {
    std::printf("note: Xvfb is not on PATH; the xvfb platform is left out\n");
  } else if (!xvfb.Start(options.verbose)) {
    std::printf("note: Xvfb did not start; the xvfb platform is left out\n");
  } else {
    platforms.push_back(
        {"xvfb", {"QT_QPA_PLATFORM=xcb", "DISPLAY=:" + std::to_string(xvfb.Display())}});
  }
  std::printf(
      "ms/s: CPU milliseconds per second of wall time, all threads but the simulator's (range: "
      "the lowest and highest of %d parts of the window); wake/s: voluntary context switches\n"
      "poll fps: 1000 / (%.0f ms re-arm + frame ms); achieved: fps / poll fps; "
      "wire fps: 1000 / frame ms\n\n",
      kParts, kPollRearmMs);
  std::fflush(stdout);

  bool anyFailed = false;
  for (const Platform& platform : platforms) {
    PrintHeader();
    std::optional<double> firstWindowMs;
    for (const Case& item : kCases) {
      const CaseResult result = RunCase(options, platform, item, busAddress);
      anyFailed = anyFailed || !result.failure.empty();
      if (item.number == 1) firstWindowMs = result.firstWindowMs;
      PrintCase(platform, item, result, options.verbose);
      std::fflush(stdout);
    }
    std::printf("%-9s start to first window: %s\n\n", platform.name.c_str(),
                firstWindowMs ? (Fixed(firstWindowMs, 1, 0) + " ms (case 1)").c_str()
                              : "n/a (no `first-window` line from case 1)");
    std::fflush(stdout);
  }
  return anyFailed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [seconds per window, default 10] [--quick] [-v] [--program <path>]\n",
                 argv[0]);
    return 2;
  }
  qv::bench::InstallChildSignalHandlers();
  try {
    return Run(options);
  } catch (const qv::bench::Interrupted&) {
    std::fprintf(stderr, "bench: interrupted; every child ended\n");
    return 130;
  }
}
