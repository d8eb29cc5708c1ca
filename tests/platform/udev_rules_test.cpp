// The generated udev rules file against the supported-device table: every vendor and product id
// has its rule, and no rule reaches further (a whole vendor, every hidraw node, a wildcard). The
// same check is run on hand-written bad rules to show that it catches them. The metainfo's
// hardware list is held to the same table.
#include "platform/linux/udev_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "transport/catalogue.h"

namespace qv {
namespace {

using IdSet = std::set<std::pair<int, int>>;

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

IdSet CatalogueIds() {
  IdSet ids;
  for (const SupportedInterface& row : SupportedInterfaces()) {
    ids.insert({row.VendorId, row.ProductId});
  }
  return ids;
}

// The only rule shape allowed: a hidraw node whose USB parent has exactly these ids.
const std::regex kRule(R"re(SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", )re"
                       R"re(ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");

// The ids the rules grant, or an error for the first line that is not a narrow rule.
struct RulesCheck {
  IdSet ids;
  size_t rules = 0;
  std::string error;
};

RulesCheck CheckRules(const std::string& text) {
  RulesCheck result;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::smatch match;
    if (!std::regex_match(line, match, kRule)) {
      result.error = "rule broader than one device: " + line;
      return result;
    }
    ++result.rules;
    result.ids.insert(
        {std::stoi(match[1].str(), nullptr, 16), std::stoi(match[2].str(), nullptr, 16)});
  }
  return result;
}

TEST(UdevRules, GeneratedFileGrantsExactlyTheCatalogueIds) {
  const std::string text = ReadFile(QV_UDEV_RULES_FILE);
  ASSERT_FALSE(text.empty()) << "missing or empty: " << QV_UDEV_RULES_FILE;
  const RulesCheck check = CheckRules(text);
  ASSERT_TRUE(check.error.empty()) << check.error;
  EXPECT_EQ(check.ids, CatalogueIds());
  // Both product ids of the keyboard (cable and receiver) and the headset's other vendor.
  EXPECT_TRUE(check.ids.count({0x320F, 0x5080}) && check.ids.count({0x320F, 0x1000}) &&
              check.ids.count({0x0C76, 0x1630}));
}

TEST(UdevRules, GeneratedFileHasOneRulePerId) {
  const RulesCheck check = CheckRules(ReadFile(QV_UDEV_RULES_FILE));
  EXPECT_EQ(check.rules, CatalogueIds().size());
}

TEST(UdevRules, CheckRejectsBroadRules) {
  const char* const kBroad[] = {
      R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", TAG+="uaccess")",
      R"(KERNEL=="hidraw*", TAG+="uaccess")",
      R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="*", TAG+="uaccess")",
      R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="5080", MODE="0666")",
      R"(SUBSYSTEM=="usb", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="5080", TAG+="uaccess")",
  };
  for (const char* rule : kBroad) {
    EXPECT_FALSE(CheckRules(std::string(rule) + "\n").error.empty()) << rule;
  }
  EXPECT_TRUE(CheckRules(FormatUdevRules({{0x320F, 0x5080}})).error.empty());
}

TEST(UdevRules, SupportedIdsAreDistinctAndKnown) {
  const std::vector<UsbId> ids = SupportedUsbIds();
  EXPECT_EQ(ids.size(), CatalogueIds().size());
  EXPECT_TRUE(IsSupportedUsbId(0x320F, 0x1004));
  EXPECT_FALSE(IsSupportedUsbId(0x320F, 0x5081));
  EXPECT_FALSE(IsSupportedUsbId(0x0C76, 0x5080));
}

// Software centres offer the program when one of these devices is plugged in.
TEST(UdevRules, MetainfoModaliasesMatchTheCatalogue) {
  const std::string text = ReadFile(QV_METAINFO_FILE);
  ASSERT_FALSE(text.empty()) << QV_METAINFO_FILE;
  const std::regex modalias(R"(<modalias>usb:v([0-9A-F]{4})p([0-9A-F]{4})d\*</modalias>)");
  IdSet ids;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), modalias);
       it != std::sregex_iterator(); ++it) {
    ids.insert({std::stoi((*it)[1].str(), nullptr, 16), std::stoi((*it)[2].str(), nullptr, 16)});
  }
  EXPECT_EQ(ids, CatalogueIds());
}

}  // namespace
}  // namespace qv
