// Languages: the stored choice, applying a language (texts, fonts, the windows told), the
// language files against every text id the layouts and the code use, and the message box,
// about and settings windows.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "app/aux_windows.h"
#include "app/languages.h"
#include "app/sim_control.h"
#include "keys/key_code_tables.h"
#include "main_wnd_fixture.h"
#include "ui/font_table.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"
#include "ui/popup_menu.h"

namespace qv::ui {
namespace {

const QString kSource = QStringLiteral(QV_SOURCE_DIR);

class LanguageTest : public MainWndFixture {
 protected:
  QString WriteConfig(const QString& json) {
    const QString path = home_.filePath(QStringLiteral("Language.config"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(json.toUtf8());
    return path;
  }
};

TEST_F(LanguageTest, FirstStartTakesLanguage520ElseTheFirstAndAStoredChoiceAfterwards) {
  const QString with520 = WriteConfig(QStringLiteral(
      R"({"Language":[{"Language_ID":2052},{"Language_ID":7},{"Language_ID":520}]})"));
  EXPECT_EQ(ReadStoredLanguage(with520), 2);
  const QString without = home_.filePath(QStringLiteral("other.config"));
  QFile other(without);
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write(R"({"Language":[{"Language_ID":2052},{"Language_ID":7}]})");
  other.close();
  EXPECT_EQ(ReadStoredLanguage(without), 0);
  EXPECT_EQ(ReadStoredLanguage(home_.filePath(QStringLiteral("missing.config"))), 0);

  ASSERT_TRUE(StoreLanguage(7));
  EXPECT_EQ(TraceCount("写成功！"), 1);
  EXPECT_EQ(ReadStoredLanguage(with520), 1);
  ASSERT_TRUE(StoreLanguage(99));  // a language no longer listed
  EXPECT_EQ(ReadStoredLanguage(with520), 0);
}

TEST(FontRuleTest, OnlyLanguagesWithAFaceOfTheirOwnRebuildTheTable) {
  const struct {
    int from, to;
    bool rebuilt;
  } cases[] = {
      {kNoLanguage, 1, true}, {15, 7, true}, {7, 8, false}, {7, 0, true},
      {0, 2, true},           {2, 9, true},  {9, 15, true}, {1, 3, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FontsRebuiltOnChange(c.from, c.to), c.rebuilt) << c.from << " -> " << c.to;
  }
  EXPECT_EQ(LanguageFace(15), QStringLiteral("Noto Sans Thai"));
  EXPECT_EQ(LanguageFace(7), QStringLiteral("Verdana Unicode MS"));
  // Faces of another platform are shown with an installed family.
  EXPECT_FALSE(InstalledFamily(QStringLiteral("Verdana Unicode MS")).isEmpty());
  EXPECT_NE(InstalledFamily(QStringLiteral("汉仪菱心体简")), QStringLiteral("汉仪菱心体简"));
}

TEST_F(LanguageTest, ApplyingALanguageChangesTextsFontsAndTheStoredChoiceOnce) {
  CMainWnd& w = Open(Quiet());
  // The first start: no stored choice, so English (520) is applied.
  ASSERT_EQ(w.LanguageIndex(), 1);
  ExpectShowsTextId(Control("No_device_tip"), QStringLiteral("message_text_1"));
  EXPECT_EQ(Text(Control("No_device_tip")), QStringLiteral("No device connected"));
  const int stores = TraceCount("写成功！");

  w.ApplyLanguage(1);  // the current one: nothing happens
  EXPECT_EQ(TraceCount("写成功！"), stores);

  w.HandleMessage(UWM_LANGUAGE_CHANGED, 0, 0);  // as the settings window sends it
  EXPECT_EQ(w.LanguageIndex(), 0);
  EXPECT_EQ(Text(Control("No_device_tip")), QStringLiteral("未连接设备"));
  EXPECT_EQ(CResourceManager::Language(), QStringLiteral("简体中文"));
  EXPECT_EQ(TraceCount("写成功！"), stores + 1);
  EXPECT_EQ(ReadStoredLanguage(), 0);

  // Fonts: 15 -> 7 rebuilds the table, 7 -> 8 keeps it (indices past the list change no text).
  w.ApplyLanguage(15);
  EXPECT_EQ(w.Fonts().Face(), QStringLiteral("Noto Sans Thai"));
  const int afterThai = w.Fonts().Generation();
  w.ApplyLanguage(7);
  EXPECT_EQ(w.Fonts().Generation(), afterThai + 1);
  EXPECT_EQ(w.Fonts().Face(), QStringLiteral("Verdana Unicode MS"));
  w.ApplyLanguage(8);
  EXPECT_EQ(w.Fonts().Generation(), afterThai + 1);
  EXPECT_EQ(w.Fonts().Font(50).pixelSize(), 18);
  EXPECT_TRUE(w.Fonts().Font(50).bold());
  EXPECT_TRUE(w.Fonts().Font(1).underline());
  EXPECT_EQ(Text(Control("No_device_tip")), QStringLiteral("未连接设备"));
}

// Every text id in the skin (layouts and menus), in the language list and used by the code.
QSet<QString> UsedTextIds() {
  QSet<QString> ids;
  const QRegularExpression property(QStringLiteral(
      R"re(name="(?:textid|tooltiptextid)"[^>]*>\s*<string[^>]*>([^<]+)</string>)re"));
  const QRegularExpression attribute(QStringLiteral(R"re(\btextid="([^"]+)")re"));
  QDirIterator files(kSource + QStringLiteral("/skin"), {QStringLiteral("*.xml")}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) {
    QFile file(files.next());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const auto& re : {property, attribute}) {
      for (auto it = re.globalMatch(text); it.hasNext();) ids.insert(it.next().captured(1));
    }
  }
  for (const LanguageEntry& entry : ReadLanguageConfig()) ids.insert(entry.textId);
  // The names of key functions.
  for (std::string_view id : TextIdTable()) {
    ids.insert(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())));
  }
  // Ids the code shows: the message texts, the device names and the parameterised texts.
  for (const char* id : {"tips_text",
                         "message_text_1",
                         "message_text_1_1",
                         "message_text_2",
                         "message_text_4",
                         "message_text_5",
                         "message_text_6",
                         "message_text_7",
                         "message_text_16",
                         "message_text_17",
                         "message_text_22",
                         "message_text_25",
                         "message_text_26",
                         "firmware_update_ask_text",
                         "Repeat_Delay_Time",
                         "控制灯光",
                         "不控制灯光",
                         "software_rev_text",
                         "profile_write_failed_text",
                         "save_failed_text",
                         "save_reason_open_text",
                         "save_reason_write_text",
                         "save_reason_replace_text",
                         "kb_device_name_text",
                         "ms_device_name_text",
                         "hard_mp_device_name_text",
                         "soft_mp_device_name_text",
                         "hd_device_name_text",
                         "hub_device_name_text",
                         "unknow_device_name_text",
                         "not_available_text",
                         "cable_text",
                         "receiver_text",
                         "macro_state_down_text",
                         "macro_state_up_text",
                         "macro_input_access_text",
                         "macro_write_failed_text",
                         "macro_import_bad_text",
                         "macro_trimmed_text",
                         "macro_file_damaged_text",
                         "palette_write_failed_text"}) {
    ids.insert(QString::fromUtf8(id));
  }
  return ids;
}

TEST_F(LanguageTest, EveryLanguageHasEveryTextIdInUse) {
  const std::vector<LanguageEntry> languages = ReadLanguageConfig();
  ASSERT_GE(languages.size(), 2u);
  const QSet<QString> used = UsedTextIds();
  ASSERT_GT(used.size(), 50);
  for (const LanguageEntry& language : languages) {
    QHash<QString, QString> texts;
    QString error;
    ASSERT_TRUE(CResourceManager::ReadLanguageFile(
        CResourceManager::LanguageFolder() + language.file, &texts, &error))
        << language.file.toStdString() << ": " << error.toStdString();
    QStringList missing;
    for (const QString& id : used) {
      if (texts.value(id).trimmed().isEmpty()) missing << id;
    }
    missing.sort();
    EXPECT_TRUE(missing.isEmpty()) << language.file.toStdString() << " lacks "
                                   << missing.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(texts.value(QStringLiteral("message_text_16")).contains(QLatin1String("%d")));
  }
}

TEST(LanguageFileTest, MalformedFilesAreRefusedAndAMissingIdShowsItself) {
  QTemporaryDir dir;
  const auto write = [&dir](const char* name, const char* text) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return file.fileName();
  };
  QHash<QString, QString> texts;
  EXPECT_FALSE(CResourceManager::ReadLanguageFile(write("a.xml", "<Texts/>"), &texts));
  EXPECT_FALSE(CResourceManager::ReadLanguageFile(write("b.xml", "<Language><Text id="), &texts));
  EXPECT_FALSE(CResourceManager::ReadLanguageFile(dir.filePath(QStringLiteral("none")), &texts));
  ASSERT_TRUE(CResourceManager::LoadLanguage(
      write("c.xml", R"(<Language><Text id="x">Ex &amp; why</Text></Language>)")));
  EXPECT_EQ(CResourceManager::Text(QStringLiteral("x")), QStringLiteral("Ex & why"));
  EXPECT_EQ(CResourceManager::Text(QStringLiteral("y")), QStringLiteral("y"));
  // A failed load keeps the texts there were.
  EXPECT_FALSE(CResourceManager::LoadLanguage(write("d.xml", "garbage")));
  EXPECT_TRUE(CResourceManager::HasText(QStringLiteral("x")));
  CResourceManager::Release();
}

// ---- the message box, about and settings windows ----------------------------------------------

class AuxWindowTest : public MainWndFixture {
 protected:
  void SetUp() override {
    MainWndFixture::SetUp();
    CResourceManager::LoadLanguage(QStringLiteral("lan_en.xml"));
  }
  // Clicks `name` in the next modal window once it shows.
  void ClickInModal(const char* name) {
    QTimer::singleShot(0, [name] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<CWindowBase*>(top);
        if (!window || !window->IsModal()) continue;
        if (auto* button = FindControlAs<QPushButton>(window, QString::fromLatin1(name))) {
          button->click();
          return;
        }
      }
    });
  }
};

TEST_F(AuxWindowTest, MessageBoxTitleDpiButtonsAndResults) {
  CMsgWnd box;
  ASSERT_TRUE(box.CreateBox());
  const QString layoutTitle = Text(box.FindControl(QStringLiteral("MessageTitle")));
  box.SetTitle(QString());
  EXPECT_EQ(Text(box.FindControl(QStringLiteral("MessageTitle"))), layoutTitle);
  EXPECT_EQ(layoutTitle, QStringLiteral("Notice"));
  box.SetMsg(QStringLiteral("message_text_22"), true);
  EXPECT_EQ(Text(box.FindControl(QStringLiteral("MessageText"))),
            CResourceManager::Text(QStringLiteral("message_text_22")));
  box.SetMsg(QStringLiteral("message_text_22"), false);  // shown as it is
  EXPECT_EQ(Text(box.FindControl(QStringLiteral("MessageText"))),
            QStringLiteral("message_text_22"));
  box.SetDpiValue(100);
  EXPECT_EQ(TraceCount("MSG_WND DPI SET ERROR"), 1);
  EXPECT_EQ(box.DpiValue(), 96);
  box.SetDpiValue(144);
  EXPECT_EQ(box.DpiValue(), 144);
  box.SetButtons(0);
  EXPECT_FALSE(IsVisible(box.FindControl(QStringLiteral("cancel_btn"))));
  EXPECT_TRUE(IsVisible(box.FindControl(QStringLiteral("confirm_btn"))));

  const struct {
    const char* button;
    int buttons;
    int result;
  } cases[] = {
      {"confirm_btn", 1, 1}, {"cancel_btn", 1, 0}, {"closebtn", 0, 0}, {"confirm_btn", 0, 1}};
  for (const auto& c : cases) {
    ClickInModal(c.button);
    EXPECT_EQ(ShowMessage(nullptr, QString(), QStringLiteral("message_text_5"), 96, 1, c.buttons),
              c.result)
        << c.button;
  }
}

TEST_F(AuxWindowTest, AboutShowsTheVersionAndOnlyTheSystemCloseEndsTheProgram) {
  int quits = 0;
  {
    CAboutWnd about(nullptr, [&quits] { ++quits; });
    ASSERT_TRUE(about.CreateAbout());
    about.SetVersionText(QStringLiteral("V1.0.4"));
    EXPECT_EQ(Text(about.FindControl(QStringLiteral("software_ver_label"))),
              QStringLiteral("Version V1.0.4"));
    EXPECT_EQ(about.size(), QSize(CAboutWnd::kWidth, CAboutWnd::kHeight));
    about.show();
    ClickInModal("closebtn");
    about.ShowModal();
    EXPECT_EQ(quits, 0);
    about.show();
    about.close();  // the window manager's close, Alt+F4
    EXPECT_EQ(quits, 1);
  }
  // From the tray menu: one window at a time, and the main window forgets it when it closes.
  CMainWnd::Options options = Quiet();
  options.quit = [&quits] { ++quits; };
  CMainWnd& w = Open(options);
  QTimer::singleShot(0, [&w] {
    EXPECT_NE(w.AboutWindow(), nullptr);
    w.OnMenuCommand(QStringLiteral("about_menu"));  // already open: nothing
    if (auto* about = qobject_cast<CAboutWnd*>(w.AboutWindow())) about->Close(0);
  });
  w.OnMenuCommand(QStringLiteral("about_menu"));
  EXPECT_EQ(w.AboutWindow(), nullptr);
  EXPECT_EQ(quits, 1);
}

TEST_F(AuxWindowTest, SettingsWindowListsTheLanguagesAndSendsTheChoice) {
  CMainWnd& w = Open(Quiet());
  w.OpenSettings(false);
  auto* settings = qobject_cast<CSetWnd*>(w.SettingsWindow());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->size(), QSize(CSetWnd::kWidth, CSetWnd::kHeight));
  auto* combo = FindControlAs<QComboBox>(settings, QStringLiteral("Language_combox_info"));
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->currentIndex(), w.LanguageIndex());
  EXPECT_EQ(combo->itemText(0), QStringLiteral("Chinese (Simplified)"));
  combo->setCurrentIndex(0);  // the user's pick
  EXPECT_EQ(w.LanguageIndex(), 0);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("简体中文"));  // the combo follows the language
  EXPECT_EQ(combo->itemText(1), QStringLiteral("英语"));
  QTest::keyClick(settings, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&w] { return w.SettingsWindow() == nullptr; }, 2000));
}

}  // namespace
}  // namespace qv::ui

namespace qv::ui {
namespace {

TEST_F(AuxWindowTest, TrayMenuIsThemedTranslatedAndEndsWithExit) {
  std::unique_ptr<QMenu> menu = LoadMenu(QStringLiteral("menu.xml"));
  ASSERT_NE(menu, nullptr);
  EXPECT_FALSE(menu->styleSheet().isEmpty());
  SimulatorControl simulator(false, false);
  simulator.AddMenu(menu.get());
  const QList<QAction*> actions = menu->actions();
  ASSERT_FALSE(actions.isEmpty());
  EXPECT_EQ(actions.last()->objectName(), QStringLiteral("exit"));
  EXPECT_EQ(actions.last()->text(), QStringLiteral("Exit"));
  CResourceManager::LoadLanguage(QStringLiteral("lan_cn.xml"));
  CResourceManager::ReloadText(menu.get());
  EXPECT_EQ(actions.last()->text(), QStringLiteral("退出"));
}

}  // namespace
}  // namespace qv::ui
