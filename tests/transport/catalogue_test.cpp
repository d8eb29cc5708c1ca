#include "transport/catalogue.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(CatalogueTables, CountsAndKeyEntries) {
  const auto& rows = SupportedInterfaces();
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0].ProductId, 0x5080);
  EXPECT_EQ(rows[0].CollectionNumber, 4);
  EXPECT_EQ(rows[0].UsagePage, 0xFF1C);
  EXPECT_EQ(rows[0].Usage, 0x92);
  EXPECT_EQ(rows[0].PairIndex, 2);
  EXPECT_EQ(rows[1].Role, kRoleSecondary);
  EXPECT_EQ(rows[1].UsagePage, 0x000C);
  EXPECT_EQ(rows[6].TypeCode, kTypeMouseSecond);
  EXPECT_EQ(rows[6].PairIndex, 4);
  EXPECT_EQ(rows[8].HasPair, 0);
  EXPECT_EQ(rows[10].VendorId, 0x0C76);
  EXPECT_EQ(rows[10].InterfaceNumber, 3);
  EXPECT_EQ(rows[10].CollectionNumber, 0);
  for (const auto& r : rows) {
    EXPECT_EQ(r.Present, 0);
    EXPECT_TRUE(r.DevicePath.empty());
    // Pairs point at each other's type family and are symmetric.
    if (r.HasPair) {
      EXPECT_EQ(rows[rows[r.PairIndex].PairIndex].ProductId, r.ProductId);
    }
  }

  ASSERT_EQ(DeviceKinds().size(), 4u);
  EXPECT_STREQ(DeviceKinds()[kKindMouse].KindName, "mouse");
  EXPECT_STREQ(DeviceKinds()[kKindKeyboard].KindName, "keyboard");
  EXPECT_STREQ(DeviceKinds()[kKindMousePad].KindName, "MousePad");
  EXPECT_STREQ(DeviceKinds()[kKindHeadset].KindName, "HD");
  EXPECT_EQ(DeviceKinds()[kKindMouse].DefaultDataIndex, 1u);
  EXPECT_EQ(DeviceKinds()[kKindKeyboard].DefaultDataIndex, 0u);
  EXPECT_STREQ(DeviceKinds()[kKindHeadset].EntryLayout, "XML\\CustomControlXML\\DeviceOption.xml");

  ASSERT_EQ(DeviceLayouts().size(), 4u);
  EXPECT_EQ(DeviceLayouts()[kKindKeyboard].LightCount, 170u);
  EXPECT_EQ(DeviceLayouts()[kKindMouse].KeyCount, 11u);
  EXPECT_EQ(DeviceLayouts()[kKindMouse].PowerFlag, 1u);
  EXPECT_EQ(DeviceLayouts()[kKindHeadset].LightCount, 13u);
  EXPECT_STREQ(DeviceLayouts()[kKindKeyboard].PageLayout, "XML\\DeviceXml\\keyboarddevice.xml");

  ASSERT_EQ(Models().size(), 4u);
  EXPECT_STREQ(Models()[1].Model, "TM41K1");
  EXPECT_STREQ(Models()[3].Version, "V0111");
  EXPECT_STREQ(Models()[2].Type, "TM43");
}

struct PathCase {
  const char* path;
  PathIds want;
};

class ParsePath : public testing::TestWithParam<PathCase> {};

TEST_P(ParsePath, ReadsTheFourNumbers) {
  PathIds got = ParseDevicePath(GetParam().path);
  EXPECT_EQ(got.vendorId, GetParam().want.vendorId);
  EXPECT_EQ(got.productId, GetParam().want.productId);
  EXPECT_EQ(got.interfaceNumber, GetParam().want.interfaceNumber);
  EXPECT_EQ(got.collectionNumber, GetParam().want.collectionNumber);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ParsePath,
    testing::Values(
        PathCase{"\\\\?\\hid#vid_320f&pid_5080&mi_01&col04#7&1a2b&0&0003#{4d1e55b2}",
                 {0x320F, 0x5080, 1, 4}},
        PathCase{"\\\\?\\HID#VID_320F&PID_5080&MI_01&COL03#7&1A2B", {0x320F, 0x5080, 1, 3}},
        PathCase{"hid#vid_320f&pid_5ABC&mi_01", {0x320F, 0x5ABC, 1, 0}},
        PathCase{"hid#vid_320f&pid_5abc&mi_01", {0x320F, 0x5ABC, 1, 0}},
        PathCase{"hid#vid_0c76&pid_1630&mi_03#8&2f", {0x0C76, 0x1630, 3, 0}},  // no "&col"
        PathCase{"sim#vid_320f&pid_5080&mi_01&col04#12", {0x320F, 0x5080, 1, 4}},
        PathCase{"vid_&pid_zz", {0, 0, 0, 0}},                        // tokens without digits
        PathCase{"vid_123456789&pid_10000", {0x6789, 0x0000, 0, 0}},  // low 16 bits kept
        PathCase{"", {0, 0, 0, 0}}));

InterfaceCandidate Candidate(const char* path, uint16_t page, uint16_t usage) {
  InterfaceCandidate c;
  c.path = path;
  c.ids = ParseDevicePath(path);
  c.usagePage = page;
  c.usage = usage;
  return c;
}

TEST(CatalogueMatch, UsageDecidesBetweenRowsSharingPathValues) {
  RuntimeInterfaceTable table;
  auto consumer = Candidate("x#vid_320f&pid_5080&mi_01&col04#a", 0x000C, 0x01);
  // Path says collection 4 but the usage is the consumer one: no row has all six values.
  EXPECT_FALSE(table.FindInterfaceRow(consumer).has_value());

  auto c3 = Candidate("x#vid_320f&pid_5080&mi_01&col03#a", 0x000C, 0x01);
  ASSERT_TRUE(table.PassesPreFilter(c3.ids));
  auto row = table.FindInterfaceRow(c3);
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(*row, 1);
  EXPECT_EQ(c3.role, kRoleSecondary);
  EXPECT_EQ(c3.typeCode, kTypeKeyboard);
  EXPECT_EQ(table.Row(1).Present, 1);
  EXPECT_EQ(table.Row(1).DevicePath, c3.path);

  auto c4 = Candidate("x#vid_320f&pid_5080&mi_01&col04#a", 0xFF1C, 0x92);
  EXPECT_EQ(table.FindInterfaceRow(c4).value_or(-1), 0);
}

TEST(CatalogueMatch, HeadsetWithoutCollectionMatchesRowTen) {
  RuntimeInterfaceTable table;
  auto c = Candidate("hid#VID_0C76&PID_1630&MI_03#8&2f", 0x000C, 0x01);
  EXPECT_EQ(c.ids.collectionNumber, 0);
  ASSERT_TRUE(table.PassesPreFilter(c.ids));
  EXPECT_EQ(table.FindInterfaceRow(c).value_or(-1), 10);
  EXPECT_EQ(c.typeCode, kTypeHeadset);
}

TEST(CatalogueMatch, SecondIdenticalDeviceIsNotTakenUntilTheFirstIsReleased) {
  RuntimeInterfaceTable table;
  auto first = Candidate("x#vid_320f&pid_5080&mi_01&col04#1", 0xFF1C, 0x92);
  auto second = Candidate("x#vid_320f&pid_5080&mi_01&col04#2", 0xFF1C, 0x92);
  EXPECT_EQ(table.FindInterfaceRow(first).value_or(-1), 0);
  EXPECT_FALSE(table.PassesPreFilter(second.ids));
  EXPECT_FALSE(table.FindInterfaceRow(second).has_value());
  EXPECT_EQ(table.FindPresentPath(first.path), 0);

  table.Release(0);
  EXPECT_EQ(table.FindPresentPath(first.path), -1);
  EXPECT_TRUE(table.PassesPreFilter(second.ids));
  EXPECT_EQ(table.FindInterfaceRow(second).value_or(-1), 0);
}

TEST(CatalogueMatch, PreFilterRejectsUnknownInterfaces) {
  RuntimeInterfaceTable table;
  EXPECT_FALSE(table.PassesPreFilter(ParseDevicePath("x#vid_320f&pid_5080&mi_00")));
  EXPECT_FALSE(table.PassesPreFilter(ParseDevicePath("x#vid_046d&pid_c52b&mi_01&col04")));
  EXPECT_FALSE(table.PassesPreFilter(ParseDevicePath("x#vid_320f&pid_5080&mi_01&col05")));
}

TEST(CatalogueKinds, KindLookupsAndTheCode6And9Rules) {
  EXPECT_EQ(FindKindRow(0x320F, 0x5080, kTypeKeyboard, 0), kKindKeyboard);
  EXPECT_EQ(FindKindRow(0x320F, 0x1001, kTypeMouse, 0), kKindMouse);
  EXPECT_EQ(FindKindRow(0x320F, 0x1001, kTypeMouse, 255), -1);
  EXPECT_EQ(FindKindRow(0x320F, 0x1000, kTypeKeyboardSecond, 0), -1);

  EXPECT_EQ(FindInterfaceRowOfKind(kKindKeyboard), 0);
  EXPECT_EQ(FindInterfaceRowOfKind(kKindMouse), 4);
  EXPECT_EQ(FindInterfaceRowOfKind(kKindMousePad), 8);
  EXPECT_EQ(FindInterfaceRowOfKind(kKindHeadset), 10);
  EXPECT_EQ(FindInterfaceRowOfKind(7), -1);

  EXPECT_EQ(KindRowForInterfaceRow(0), kKindKeyboard);
  EXPECT_EQ(KindRowForInterfaceRow(1), -1);  // secondary rows never create a device
  EXPECT_EQ(KindRowForInterfaceRow(2), -1);  // code 9: no kind row in this build
  EXPECT_EQ(KindRowForInterfaceRow(4), kKindMouse);
  EXPECT_EQ(KindRowForInterfaceRow(6), kKindMouse);  // code 6 is presented as the mouse
  EXPECT_EQ(KindRowForInterfaceRow(8), kKindMousePad);
  EXPECT_EQ(KindRowForInterfaceRow(10), kKindHeadset);
  EXPECT_EQ(KindRowForInterfaceRow(11), -1);
}

}  // namespace
}  // namespace qv
