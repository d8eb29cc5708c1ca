// Bench support: what each thread of another process used over a window of wall time, read
// from /proc. CPU time comes from /proc/<pid>/task/<tid>/schedstat (nanoseconds on the CPU; the
// tick counts in stat are 10 ms coarse), wake-ups from voluntary_ctxt_switches in status, the
// name from comm.
//
// Usage: Begin() at the start of the window, Sample() every so often during it, End() at its
// end; then Threads() and Seconds(). A thread already running at Begin() counts from there; one
// started later counts from zero (all it used fell in the window); one that ended counts with
// its last sample, so sample often enough for short-lived threads.
//
// Single-threaded.
#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace qv::bench {

struct ThreadUse {
  pid_t tid = 0;
  std::string name;
  uint64_t cpuNs = 0;  // over the window
  uint64_t wakeUps = 0;
  bool fromStart = false;  // running when the window began
  bool toEnd = false;      // still running when it ended
};

class ThreadSampler {
 public:
  explicit ThreadSampler(pid_t pid) : pid_(pid) {}

  void Begin() {
    threads_.clear();
    begun_ = std::chrono::steady_clock::now();
    Read(true);
  }
  void Sample() { Read(false); }
  void End() {
    for (auto& [tid, seen] : threads_) seen.live = false;
    Read(false);
    ended_ = std::chrono::steady_clock::now();
  }

  double Seconds() const { return std::chrono::duration<double>(ended_ - begun_).count(); }

  std::vector<ThreadUse> Threads() const {
    std::vector<ThreadUse> out;
    for (const auto& [tid, seen] : threads_) {
      ThreadUse use;
      use.tid = tid;
      use.name = seen.name;
      use.cpuNs = seen.cpuLast - seen.cpuFirst;
      use.wakeUps = seen.wakeLast - seen.wakeFirst;
      use.fromStart = seen.fromStart;
      use.toEnd = seen.live;
      out.push_back(use);
    }
    return out;
  }

 private:
  struct Counters {
    uint64_t cpuNs = 0;
    uint64_t wakeUps = 0;
    std::string name;
  };
  struct Seen {
    std::string name;
    uint64_t cpuFirst = 0, cpuLast = 0, wakeFirst = 0, wakeLast = 0;
    bool fromStart = false;
    bool live = true;
  };

  static std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::optional<Counters> ReadThread(const std::string& tid) const {
    const std::string dir = "/proc/" + std::to_string(pid_) + "/task/" + tid + "/";
    const auto schedstat = ReadText(dir + "schedstat");
    const auto status = ReadText(dir + "status");
    const auto comm = ReadText(dir + "comm");
    if (!schedstat || !status || !comm || schedstat->empty()) return std::nullopt;
    Counters counters;
    counters.cpuNs = std::strtoull(schedstat->c_str(), nullptr, 10);
    static const std::string kKey = "voluntary_ctxt_switches:";
    const size_t at = status->find("\n" + kKey);
    if (at == std::string::npos) return std::nullopt;
    counters.wakeUps = std::strtoull(status->c_str() + at + 1 + kKey.size(), nullptr, 10);
    counters.name = *comm;
    while (!counters.name.empty() && counters.name.back() == '\n') counters.name.pop_back();
    return counters;
  }

  void Read(bool baseline) {
    const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (!dir) return;  // the process has ended: the last samples stand
    while (const dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
      const std::optional<Counters> now = ReadThread(entry->d_name);
      if (!now) continue;  // ended between the listing and the read
      const pid_t tid = static_cast<pid_t>(std::atol(entry->d_name));
      auto [it, added] = threads_.try_emplace(tid);
      Seen& seen = it->second;
      if (added) {
        seen.fromStart = baseline;
        seen.cpuFirst = baseline ? now->cpuNs : 0;
        seen.wakeFirst = baseline ? now->wakeUps : 0;
      }
      seen.name = now->name;  // a thread may name itself after it started
      seen.cpuLast = now->cpuNs;
      seen.wakeLast = now->wakeUps;
      seen.live = true;
    }
    ::closedir(dir);
  }

  pid_t pid_;
  std::map<pid_t, Seen> threads_;
  std::chrono::steady_clock::time_point begun_, ended_;
};

}  // namespace qv::bench
