// The colour palette dialog: the channel edits, presets, favourite slots kept between openings,
// the seven-colour option, and how it closes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "lighting/ui/color_palette.h"
#include "lighting/ui/color_select_wnd.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/notify_adapter.h"
#include "ui/ui_resources.h"

namespace qv::ui {
namespace {

class ColorSelectWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
  }
  void TearDown() override {
    wnd_.reset();
    UiResources::Release();
  }
  CColorSelectWnd& Open(QRgb start) {
    wnd_ = std::make_unique<CColorSelectWnd>(nullptr, home_.path().toStdString() + "/",
                                             std::string(QV_SOURCE_DIR) + "/data/DefaultData/");
    EXPECT_TRUE(wnd_->CreatePalette());
    wnd_->SetDpiValue(96);
    wnd_->SetColor(start);
    wnd_->ShowSevenColor(true);
    wnd_->show();
    return *wnd_;
  }
  template <class T = QWidget>
  T* Control(const QString& name) {
    return FindControlAs<T>(wnd_.get(), name);
  }
  // An edit typed into and left, as the user does.
  void TypeInto(const char* name, const QString& text) {
    auto* edit = Control<QLineEdit>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
    SendNotify(edit, QStringLiteral("killfocus"));
  }
  void Pick(const QString& name) {
    auto* button = Control<QAbstractButton>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    button->click();
  }
  int RunModalAfter(std::function<void()> act) {
    QTimer::singleShot(0, wnd_.get(), act);
    return wnd_->ShowModal();
  }

  QTemporaryDir home_;
  std::unique_ptr<CColorSelectWnd> wnd_;
};

TEST_F(ColorSelectWndTest, EditsAreClampedAndEmptyCountsAsZero) {
  CColorSelectWnd& w = Open(0xFF102030);
  EXPECT_EQ(Text(Control(QStringLiteral("color_edit_r"))), QStringLiteral("16"));
  TypeInto("color_edit_g", QStringLiteral("300"));
  EXPECT_EQ(Text(Control(QStringLiteral("color_edit_g"))), QStringLiteral("255"));
  EXPECT_EQ(w.CurrentColor(), 0xFF10FF30u);
  TypeInto("color_edit_g", QString());
  EXPECT_EQ(Text(Control(QStringLiteral("color_edit_g"))), QStringLiteral("0"));
  EXPECT_EQ(w.CurrentColor(), 0xFF100030u);  // red as it was
  EXPECT_EQ(SwatchColor(Control(QStringLiteral("color_show_btn"))), 0xFF100030u);
  EXPECT_EQ(Control<CColorPaletteUI>(QStringLiteral("Pallet"))->Color(), 0xFF100030u);
}

TEST_F(ColorSelectWndTest, AnEmptyFavouriteFillsAndIsKeptButNotSelectedNextTime) {
  Open(0xFFFFFFFF);
  Pick(QStringLiteral("collect_color_option_3"));  // empty: nothing yet
  Pick(QStringLiteral("color_option_0"));          // the first preset, red in the skin
  EXPECT_EQ(wnd_->CurrentColor(), 0xFFFF0000u);
  EXPECT_TRUE(wnd_->Palette().favourites[3].filled);
  EXPECT_EQ(wnd_->Palette().presetIndex, 0);

  Open(0xFF000000);
  auto* slot = Control<QAbstractButton>(QStringLiteral("collect_color_option_3"));
  EXPECT_FALSE(slot->isChecked());
  EXPECT_EQ(slot->property("userdata").toString(), QStringLiteral("1"));
  EXPECT_EQ(SwatchColor(slot), 0xFFFF0000u);
  // A filled slot clicked and confirmed gives its colour.
  const int code = RunModalAfter([this] {
    Pick(QStringLiteral("collect_color_option_3"));
    Pick(QStringLiteral("okbtn"));
  });
  EXPECT_EQ(code, CColorSelectWnd::kChosen);
  EXPECT_EQ(wnd_->ResultColor(), 0xFFFF0000u);
}

TEST_F(ColorSelectWndTest, ClosingGivesNothingAndTheSevenColourOptionFollowsItsSwitch) {
  Open(0xFF00FF00);
  auto* seven = Control<QCheckBox>(QStringLiteral("7color"));
  seven->click();
  EXPECT_TRUE(wnd_->SevenColor());
  TypeInto("color_edit_r", QStringLiteral("5"));  // a colour change turns it off
  EXPECT_FALSE(wnd_->SevenColor());
  wnd_->ShowSevenColor(false);
  EXPECT_FALSE(seven->isEnabled());
  EXPECT_EQ(RunModalAfter([this] { wnd_->close(); }), CColorSelectWnd::kCancelled);
  Open(0xFF00FF00);
  EXPECT_EQ(RunModalAfter([this] { Pick(QStringLiteral("laterbtn")); }),
            CColorSelectWnd::kCancelled);
}

}  // namespace
}  // namespace qv::ui
