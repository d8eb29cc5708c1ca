// Command protocol throughput against the simulated keyboard with its 1 ms report delay (a
// 1000 Hz device): the transaction rate, and a key map upload (begin, key map of DataSize bytes,
// end) on the cable and through the receiver. Each reports the reports moved per operation
// beside the fewest the protocol allows (one request and one answer per chunk).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "sim/sim_keyboard.h"
#include "transport/command_link.h"
#include "transport/command_packet.h"

namespace qv {
namespace {

constexpr unsigned kKeyMapBytes = sim::kFactoryKeyPositions * 3;

struct Bench {
  explicit Bench(bool wireless)
      : firmware(std::make_shared<sim::KeyboardFirmware>()),
        port(std::make_shared<sim::SimKeyboard>(
            firmware, wireless ? sim::kReceiverProductId : sim::kKeyboardProductId)),
        link(&backend) {
    backend.Plug(port);
    HidChannel lister(&backend);
    lister.Enumerate();
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == 1 && e.collectionNumber == 4) {
        (wireless ? link.Receiver : link.Wired).Open(e.path, true, true, true, false);
      }
    }
    link.SetMode(wireless ? kModeWireless : kModeWired);
    link.Open = true;
    link.SetDataSize(kKeyMapBytes);
  }

  void Report(benchmark::State& state, double minimumReports) {
    const double ops = static_cast<double>(state.iterations());
    state.counters["reports_per_op"] = static_cast<double>(firmware->Packets().size()) / ops;
    state.counters["min_reports_per_op"] = minimumReports;
    state.counters["ops_per_s"] = benchmark::Counter(ops, benchmark::Counter::kIsRate);
  }

  sim::SimBackend backend;
  std::shared_ptr<sim::KeyboardFirmware> firmware;
  std::shared_ptr<sim::SimKeyboard> port;
  CommandLink link;
};

void BM_Transaction(benchmark::State& state) {
  Bench b(false);
  for (auto _ : state) {
    if (b.link.BeginUpdate() != kResultSuccess) state.SkipWithError("transaction failed");
  }
  b.Report(state, 2);
}
BENCHMARK(BM_Transaction)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_KeyMapUpload(benchmark::State& state) {
  const bool wireless = state.range(0) != 0;
  Bench b(wireless);
  const std::vector<uint8_t> image(kKeyMapBytes, 0x20);
  for (auto _ : state) {
    if (b.link.BeginUpdate() != kResultSuccess ||
        b.link.WriteKeyMap(0, image.data()) != kResultSuccess ||
        b.link.EndUpdate() != kResultSuccess) {
      state.SkipWithError("upload failed");
    }
  }
  const size_t chunks = PlanChunks(kKeyMapBytes, b.link.ChunkSize).size();
  b.Report(state, 2.0 * static_cast<double>(chunks + 2));
  state.SetLabel(wireless ? "receiver" : "cable");
}
BENCHMARK(BM_KeyMapUpload)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qv

BENCHMARK_MAIN();
