// Build-time tool: writes the udev rules for the supported devices to the file named by its
// argument. Exit code 0 on success, 1 when the file cannot be written (the build then stops).
#include <cstdio>
#include <fstream>

#include "platform/linux/udev_rules.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <rules file>\n", argv[0]);
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << qv::FormatUdevRules(qv::SupportedUsbIds());
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
