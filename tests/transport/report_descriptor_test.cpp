// Report descriptor parsing and input decoding against recorded-style descriptors in
// tests/data/descriptors (hex text, '#' starts a comment) and a few inline ones.
#include "transport/report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qv {
namespace {

std::vector<uint8_t> ParseHex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string word;
    while (words >> word) bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  }
  return bytes;
}

std::filesystem::path DataDir() {
  if (const char* env = std::getenv("QV_TEST_DATA")) return env;
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
}

// "file:<name>" loads a fixture; anything else is inline hex.
std::vector<uint8_t> Descriptor(const std::string& source) {
  if (source.rfind("file:", 0) != 0) return ParseHex(source);
  std::ifstream in(DataDir() / "descriptors" / source.substr(5));
  EXPECT_TRUE(in.good()) << "missing fixture " << source;
  std::stringstream text;
  text << in.rdbuf();
  return ParseHex(text.str());
}

HidDescriptorInfo Parse(const std::string& source) {
  std::vector<uint8_t> bytes = Descriptor(source);
  return ParseReportDescriptor(bytes.data(), bytes.size());
}

// Items as text, e.g. "Bc[501] V1:30=-2 Vff00:10=128~13250".
std::string Render(const std::vector<HidInputItem>& items) {
  std::ostringstream out;
  out << std::hex;
  for (size_t i = 0; i < items.size(); ++i) {
    const HidInputItem& it = items[i];
    if (i) out << ' ';
    if (it.isButton) {
      out << 'B' << it.usagePage << '[';
      for (size_t k = 0; k < it.usages.size(); ++k) out << (k ? "," : "") << it.usages[k];
      out << ']';
    } else {
      out << 'V' << it.usagePage << ':' << it.usage << '=' << std::dec << it.rawValue;
      if (it.hasScaled) out << '~' << it.scaledValue;
      out << std::hex;
    }
  }
  return out.str();
}

const char kKeyboard[] = "file:320f_5080_if1_kbd_sys_consumer_vendor.hex";
const char kBoot[] = "file:320f_5080_if0_boot_kbd.hex";
const char kMouse[] = "file:320f_1001_if0_mouse_buttons_xy_wheel.hex";
const char kHeadset[] = "file:0c76_1630_if3_headset_consumer.hex";
const char kMouseVendor[] = "file:mouse_vendor_field_one_usage.hex";
const char kTelephony[] = "file:telephony_array_fewer_usages.hex";

// The keyboard's vendor report: 0xaa, then 62 zero bytes, each a value of usage 1.
const std::string kVendorItems = [] {
  std::string items = "Vff1c:1=170";
  for (int i = 0; i < 62; ++i) items += " Vff1c:1=0";
  return items;
}();

// ---- Collections, report ids and lengths ----

struct CollectionRow {
  uint16_t usagePage, usage;
  std::vector<uint8_t> reportIds;
  uint16_t in, out, feature;
};

struct LayoutCase {
  const char* source;
  bool usesReportIds;
  std::vector<CollectionRow> collections;
};

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, CollectionsIdsAndLengths) {
  const LayoutCase& c = GetParam();
  HidDescriptorInfo info = Parse(c.source);
  ASSERT_TRUE(info.ok);
  EXPECT_EQ(info.usesReportIds, c.usesReportIds);
  ASSERT_EQ(info.collections.size(), c.collections.size());
  for (size_t i = 0; i < c.collections.size(); ++i) {
    SCOPED_TRACE("collection " + std::to_string(i + 1));
    const HidCollectionInfo& got = info.collections[i];
    const CollectionRow& want = c.collections[i];
    EXPECT_EQ(got.usagePage, want.usagePage);
    EXPECT_EQ(got.usage, want.usage);
    EXPECT_EQ(got.reportIds, want.reportIds);
    EXPECT_EQ(got.inputReportLength, want.in);
    EXPECT_EQ(got.outputReportLength, want.out);
    EXPECT_EQ(got.featureReportLength, want.feature);
    for (uint8_t id : want.reportIds) EXPECT_TRUE(got.OwnsReportId(id));
    EXPECT_EQ(got.OwnsReportId(0), want.reportIds.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, LayoutTest,
    testing::Values(
        LayoutCase{kKeyboard,
                   true,
                   {{0x0001, 0x06, {1}, 17, 2, 0},
                    {0x0001, 0x80, {2}, 2, 0, 0},
                    {0x000C, 0x01, {3}, 3, 0, 0},
                    {0xFF1C, 0x92, {4}, 64, 64, 0}}},
        LayoutCase{kBoot, false, {{0x0001, 0x06, {}, 9, 2, 0}}},
        // Report 1 is 7 data bytes; report 2 (1 byte) was declared between its fields.
        LayoutCase{kMouse, true, {{0x0001, 0x02, {1, 2}, 8, 0, 0}}},
        LayoutCase{kHeadset, false, {{0x000C, 0x01, {}, 2, 5, 0}}},
        // A long item is skipped; the collection's usage comes with its own page (4 bytes).
        LayoutCase{"fe 02 10 aa bb 0b 01 00 0c 00 a1 01 75 08 95 02 b1 02 c0",
                   false,
                   {{0x000C, 0x01, {}, 0, 0, 3}}}));

TEST(ReportDescriptorTest, FieldsOfOneReportIdFollowEachOther) {
  HidDescriptorInfo info = Parse(kMouse);
  ASSERT_TRUE(info.ok);
  std::vector<uint32_t> offsets;
  for (const HidReportField& f : info.collections[0].fields) {
    if (f.reportId == 1) offsets.push_back(f.bitOffset);
  }
  EXPECT_EQ(offsets, (std::vector<uint32_t>{0, 5, 8, 40, 48}));
}

// ---- Decoding ----

struct DecodeCase {
  const char* name;
  const char* source;
  size_t collection;
  const char* report;
  const char* items;
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, Items) {
  const DecodeCase& c = GetParam();
  HidDescriptorInfo info = Parse(c.source);
  ASSERT_TRUE(info.ok);
  ASSERT_LT(c.collection, info.collections.size());
  std::vector<uint8_t> report = ParseHex(c.report);
  std::vector<HidInputItem> items;
  ASSERT_TRUE(
      DecodeInputReport(info.collections[c.collection], report.data(), report.size(), &items));
  EXPECT_EQ(Render(items), c.items);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DecodeTest,
    testing::Values(
        DecodeCase{"ConsumerCode", kKeyboard, 2, "03 01 05", "Bc[501]"},
        DecodeCase{"ConsumerNothing", kKeyboard, 2, "03 00 00", "Bc[0]"},
        DecodeCase{"ConsumerOutsideLogicalRange", kKeyboard, 2, "03 00 80", "Bc[0]"},
        DecodeCase{"SystemControlBits", kKeyboard, 1, "02 05", "B1[81,83,0]"},
        // Bit 0 of the bitmap is usage 0 (no key) and is not listed.
        DecodeCase{"NkroBitmap", kKeyboard, 0, "01 01 11 00 00 20 00 00 00 00 00 00 00 00 00 00 00",
                   "B7[e0,0] B7[4,1d,0]"},
        // 63 bytes under one usage: each byte is a value of it.
        DecodeCase{"VendorBytesAreValuesOfTheOneUsage", kKeyboard, 3,
                   "04 aa 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                   "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                   "00 00 00 00 00 00 00 00 00 00 00 00 00",
                   kVendorItems.c_str()},
        DecodeCase{"BootKeys", kBoot, 0, "02 00 04 05 00 00 00 00", "B7[e1,0] B7[4,5,0]"},
        DecodeCase{"BootKeysFull", kBoot, 0, "00 00 04 05 06 07 08 09", "B7[0] B7[4,5,6,7,8,9]"},
        DecodeCase{"BootKeyOutsideUsageRange", kBoot, 0, "00 00 04 70 00 00 00 00",
                   "B7[0] B7[4,0]"},
        DecodeCase{"MouseSigned", kMouse, 0, "01 05 fe ff 10 00 ff 01",
                   "B9[1,3,0] V1:30=-2 V1:31=16 V1:38=-1 Vc:238=1"},
        DecodeCase{"MouseExtremes", kMouse, 0, "01 1f 01 80 ff 7f 81 80",
                   "B9[1,2,3,4,5] V1:30=-32767 V1:31=32767 V1:38=-127 Vc:238=-128"},
        DecodeCase{"ScaledLow", kMouse, 0, "02 00", "Vff00:10=0~400"},
        DecodeCase{"ScaledMiddle", kMouse, 0, "02 80", "Vff00:10=128~13250"},
        DecodeCase{"ScaledHigh", kMouse, 0, "02 ff", "Vff00:10=255~26000"},
        DecodeCase{"HeadsetListedUsages", kHeadset, 0, "05", "Bc[e9,cd,0]"},
        DecodeCase{"HeadsetAllOn", kHeadset, 0, "0f", "Bc[e9,ea,cd,e2]"},
        // Array with listed usages and logical minimum 1: 0 means no control, 4 is past the list.
        DecodeCase{"ListedArray",
                   "05 0c 09 01 a1 01 15 01 25 04 09 e9 09 ea 09 e2 75 08 95 02 "
                   "81 00 c0",
                   0, "02 00", "Bc[ea,0]"},
        DecodeCase{"ListedArrayPastList",
                   "05 0c 09 01 a1 01 15 01 25 04 09 e9 09 ea 09 e2 75 08 "
                   "95 02 81 00 c0",
                   0, "04 03", "Bc[e2,0]"},
        DecodeCase{"MoreElementsThanUsages", kMouseVendor, 0, "05 aa bb cc 00 00 00 01",
                   "Vff00:1=170 Vff00:1=187 Vff00:1=204 Vff00:1=0 Vff00:1=0 Vff00:1=0 Vff00:1=1"},
        DecodeCase{"ArrayWithFewerUsagesThanElements", kTelephony, 0, "01 02 03 04",
                   "Bb[20,2f,2f,2f]"},
        DecodeCase{"ArrayWithFewerUsagesNoControl", kTelephony, 0, "00 04 00 00", "Bb[2f,0]"},
        DecodeCase{"RangeShorterThanElements",
                   "05 09 09 01 a1 01 19 01 29 02 15 00 25 01 75 01 95 04 81 02 95 04 81 01 c0", 0,
                   "0c", "B9[2,2,0]"},
        // Usages do not carry over to the next main item: the second byte has none.
        DecodeCase{"LocalsResetAfterMainItem",
                   "05 01 09 02 a1 01 09 30 15 00 26 ff 00 75 08 95 01 81 02 81 02 c0", 0, "05 07",
                   "V1:30=5"}),
    [](const testing::TestParamInfo<DecodeCase>& p) { return std::string(p.param.name); });

struct RejectCase {
  const char* name;
  const char* source;
  size_t collection;
  const char* report;
};

class DecodeRejectTest : public testing::TestWithParam<RejectCase> {};

TEST_P(DecodeRejectTest, Refused) {
  const RejectCase& c = GetParam();
  HidDescriptorInfo info = Parse(c.source);
  ASSERT_TRUE(info.ok);
  std::vector<uint8_t> report = ParseHex(c.report);
  std::vector<HidInputItem> items(1);
  EXPECT_FALSE(
      DecodeInputReport(info.collections[c.collection], report.data(), report.size(), &items));
  EXPECT_TRUE(items.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DecodeRejectTest,
    testing::Values(RejectCase{"OtherCollectionsId", kKeyboard, 2, "04 01 05"},
                    RejectCase{"ShortReport", kKeyboard, 2, "03 01"},
                    RejectCase{"OnlyTheId", kKeyboard, 2, "03"},
                    RejectCase{"Empty", kKeyboard, 2, ""},
                    RejectCase{"ShortWithoutIds", kBoot, 0, "00 00 04 05 00 00 00"}),
    [](const testing::TestParamInfo<RejectCase>& p) { return std::string(p.param.name); });

// ---- Malformed descriptors ----

struct MalformedCase {
  const char* name;
  const char* hex;
};

class MalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedTest, NotOk) {
  HidDescriptorInfo info = Parse(GetParam().hex);
  EXPECT_FALSE(info.ok);
  EXPECT_TRUE(info.collections.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, MalformedTest,
    testing::Values(
        MalformedCase{"Empty", ""}, MalformedCase{"CutShortItem", "05 01 09 06 a1 01 26 ff"},
        MalformedCase{"CutLongItem", "fe 05 00 01 02"},
        MalformedCase{"EndWithoutStart", "05 01 09 06 a1 01 c0 c0"},
        MalformedCase{"Unclosed", "05 01 09 06 a1 01 75 08 95 01 81 02"},
        MalformedCase{"PopWithoutPush", "05 01 09 06 a1 01 b4 c0"},
        MalformedCase{"PushTooDeep",
                      "a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 a4 "
                      "a4 a4 a4 a4 a4 a4 a4 a4 a4 a1 01 c0"},
        MalformedCase{"ReportIdZero", "05 01 09 06 a1 01 85 00 75 08 95 01 81 02 c0"},
        MalformedCase{"DataOutsideCollection", "75 08 95 01 81 02 a1 01 c0"},
        MalformedCase{"AbsurdField", "a1 01 75 ff 96 ff ff 81 02 c0"},
        MalformedCase{"AbsurdReport", "a1 01 75 08 96 00 80 81 02 81 02 81 02 c0"},
        MalformedCase{"NumberedAndUnnumbered", "a1 01 75 08 95 01 81 02 85 01 81 02 c0"},
        MalformedCase{"InvertedUsageRange", "a1 01 19 10 29 01 75 01 95 01 81 02 c0"}),
    [](const testing::TestParamInfo<MalformedCase>& p) { return std::string(p.param.name); });

// Every cut of a real descriptor and many damaged copies: never a crash or an overrun (run under
// ASan), and a cut is never taken for the whole descriptor.
TEST(ReportDescriptorTest, CutAndDamagedDescriptorsAreSafe) {
  for (const char* source : {kKeyboard, kBoot, kMouse, kHeadset}) {
    SCOPED_TRACE(source);
    std::vector<uint8_t> bytes = Descriptor(source);
    size_t full = ParseReportDescriptor(bytes.data(), bytes.size()).collections.size();
    for (size_t n = 0; n < bytes.size(); ++n) {
      std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);  // exact size for ASan
      HidDescriptorInfo info = ParseReportDescriptor(cut.data(), cut.size());
      if (info.ok) {
        EXPECT_LT(info.collections.size(), full) << "cut at " << n;
      }
    }

    for (size_t i = 0; i < bytes.size(); ++i) {
      for (uint8_t v : {uint8_t{0x00}, uint8_t{0xFF}, static_cast<uint8_t>(bytes[i] ^ 0x80)}) {
        std::vector<uint8_t> damaged = bytes;
        damaged[i] = v;
        HidDescriptorInfo info = ParseReportDescriptor(damaged.data(), damaged.size());
        if (!info.ok) continue;
        for (const HidCollectionInfo& c : info.collections) {
          std::vector<uint8_t> ids = c.reportIds.empty() ? std::vector<uint8_t>{0} : c.reportIds;
          for (uint8_t id : ids) {
            for (size_t length : {size_t{c.inputReportLength}, size_t{2}}) {
              if (length == 0) continue;
              std::vector<uint8_t> report(length, 0xFF);
              if (!c.reportIds.empty()) report[0] = id;
              std::vector<HidInputItem> items;
              size_t offset = c.reportIds.empty() && !report.empty() ? 1 : 0;
              DecodeInputReport(c, report.data() + offset, report.size() - offset, &items);
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace qv
