// Test support: a main window on the repository's skin and data, with its own XDG folders and
// the traces it writes, for the interface tests of the shell.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "platform/trace.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/ui_resources.h"

namespace qv {
void SetInstallFolder(const std::string& path);  // profiles/data_folders.h
}  // namespace qv

namespace qv::ui {

// A resource-text control: it holds the text id and shows the loaded language's text of it.
inline void ExpectShowsTextId(QWidget* control, const QString& id) {
  EXPECT_EQ(TextIdOf(control), id);
  EXPECT_EQ(Text(control), CResourceManager::Text(id));
}

class MainWndFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
    SetInstallFolder(std::string(QV_SOURCE_DIR) + "/data/");
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
    SetTraceSink([this](std::string_view line) {
      std::lock_guard<std::mutex> hold(traceLock_);
      traces_.emplace_back(line);
    });
  }
  void TearDown() override {
    window_.reset();
    SetTraceSink(nullptr);
    SetInstallFolder("");
    UiResources::Release();
    CResourceManager::Release();
  }

  CMainWnd& Open(CMainWnd::Options options) {
    window_ = std::make_unique<CMainWnd>(nullptr, std::move(options));
    EXPECT_TRUE(window_->CreateMain());
    window_->show();  // "windowinit": the window initialises and hides until the first scan
    QCoreApplication::processEvents();
    return *window_;
  }
  static CMainWnd::Options Quiet() {
    CMainWnd::Options options;
    options.startWorkers = false;
    options.screenSize = [] { return QSize(1280, 800); };
    return options;
  }
  int TraceCount(std::string_view text) {
    std::lock_guard<std::mutex> hold(traceLock_);
    int n = 0;
    for (const std::string& t : traces_) n += t.find(text) != std::string::npos ? 1 : 0;
    return n;
  }
  CKestravaKeyboardDevice* Keyboard() {
    for (const auto& block : window_->Blocks()) {
      if (auto* k = dynamic_cast<CKestravaKeyboardDevice*>(block->device.get())) return k;
    }
    return nullptr;
  }
  QWidget* Control(const char* name) { return window_->FindControl(QString::fromLatin1(name)); }

  QTemporaryDir home_;
  std::unique_ptr<CMainWnd> window_;
  std::mutex traceLock_;
  std::vector<std::string> traces_;
};

}  // namespace qv::ui
