#include "app/sim_control.h"

#include <unistd.h>

#include <QMenu>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "platform/trace.h"

namespace qv::ui {

namespace {

// The keyboard streams for hours in this mode: keep the packet record small.
constexpr size_t kRecordLimit = 4096;
// The light mode byte of a settings record.
constexpr size_t kRecordModeByte = 1;

bool HostEffectNamed(const QString& name, qv::HostEffect* effect) {
  static const struct {
    const char* name;
    qv::HostEffect effect;
  } kNames[] = {{"none", qv::HostEffect::kNone},
                {"static", qv::HostEffect::kStatic},
                {"spectrum", qv::HostEffect::kSpectrum},
                {"breathing", qv::HostEffect::kBreathing}};
  for (const auto& n : kNames) {
    if (name == QLatin1String(n.name)) {
      *effect = n.effect;
      return true;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<SimulatorControl> SimulatorControl::FromEnvironment(QObject* parent) {
  const QString mode = qEnvironmentVariable("QV5307_SIMULATE").trimmed().toLower();
  if (mode.isEmpty() || mode == QLatin1String("0")) return nullptr;
  const bool receiver = mode == QLatin1String("receiver");
  return std::make_unique<SimulatorControl>(!receiver, receiver, parent);
}

SimulatorControl::SimulatorControl(bool cable, bool receiver, QObject* parent)
    : QObject(parent),
      firmware_(std::make_shared<sim::KeyboardFirmware>()),
      cable_(std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId)),
      receiver_(std::make_shared<sim::SimKeyboard>(firmware_, sim::kReceiverProductId)) {
  firmware_->SetRecordLimit(kRecordLimit);
  if (cable) backend_.Plug(cable_);
  if (receiver) backend_.Plug(receiver_);
}

SimulatorControl::~SimulatorControl() = default;

void SimulatorControl::SetPlugged(const std::shared_ptr<sim::SimKeyboard>& port, bool plugged) {
  if (plugged == backend_.IsPlugged(port)) return;
  if (plugged) {
    backend_.Plug(port);
  } else {
    backend_.Unplug(port);
  }
}

bool SimulatorControl::Execute(const QString& line) {
  const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (words.isEmpty()) return false;
  const QString command = words[0].toLower();
  bool ok = false;
  const int position = words.size() > 1 ? words[1].toInt(&ok) : 0;
  const bool validKey = ok && position >= 0 && position < 256;
  if (command == QLatin1String("press") && validKey) {
    firmware_->PressKey(static_cast<uint8_t>(position));
  } else if (command == QLatin1String("release") && validKey) {
    firmware_->ReleaseKey(static_cast<uint8_t>(position));
  } else if (command == QLatin1String("tap") && validKey) {
    firmware_->PressKey(static_cast<uint8_t>(position));
    QTimer::singleShot(60, this,
                       [this, position] { firmware_->ReleaseKey(static_cast<uint8_t>(position)); });
  } else if (command == QLatin1String("unplug")) {
    SetPlugged(cable_, false);
  } else if (command == QLatin1String("plug")) {
    SetPlugged(cable_, true);
  } else if (command == QLatin1String("rx-unplug")) {
    SetPlugged(receiver_, false);
  } else if (command == QLatin1String("rx-plug")) {
    SetPlugged(receiver_, true);
  } else if (command == QLatin1String("light") && validKey) {
    firmware_->Edit([position](sim::KeyboardTables& t) {
      const size_t at = sim::kSettingsSlotStride * (t.settings.empty() ? 0 : t.settings[0]);
      if (at + kRecordModeByte < t.settings.size()) {
        t.settings[at + kRecordModeByte] = static_cast<uint8_t>(position);
      }
    });
    firmware_->RequestReread(false);
  } else if (command == QLatin1String("host-effect") && words.size() > 1) {
    qv::HostEffect effect = qv::HostEffect::kNone;
    if (!HostEffectNamed(words[1].toLower(), &effect)) return false;
    if (hostEffect_) hostEffect_(effect);
  } else if (command == QLatin1String("stats")) {
    const sim::StreamStats stats = firmware_->Stats();
    std::printf("sim-stats frames=%llu chunks=%llu busy-us=%lld\n",
                static_cast<unsigned long long>(stats.frames),
                static_cast<unsigned long long>(stats.chunks),
                static_cast<long long>(stats.busy.count()));
    std::fflush(stdout);
  } else {
    return false;
  }
  Trace("simulator: %s", line.simplified().toUtf8().constData());
  return true;
}

void SimulatorControl::AddMenu(QMenu* menu) {
  if (!menu) return;
  // Above the separator before "exit", which stays the last item.
  QAction* before = nullptr;
  const QList<QAction*> actions = menu->actions();
  for (int i = 0; i < actions.size(); ++i) {
    if (actions[i]->objectName() != QLatin1String("exit")) continue;
    before = (i > 0 && actions[i - 1]->isSeparator()) ? actions[i - 1] : actions[i];
  }
  auto* sub = new QMenu(QStringLiteral("Simulator"), menu);
  sub->setObjectName(QStringLiteral("simulator_menu"));
  menu->insertMenu(before, sub);
  const struct {
    const char* text;
    const char* command;
  } items[] = {
      {"Tap key 0 (Esc)", "tap 0"},           {"Tap key 30 (A)", "tap 30"},
      {"Pull out the cable", "unplug"},       {"Plug the cable in", "plug"},
      {"Pull out the receiver", "rx-unplug"}, {"Plug the receiver in", "rx-plug"},
  };
  for (const auto& item : items) {
    const QString command = QString::fromLatin1(item.command);
    sub->addAction(QString::fromLatin1(item.text), this, [this, command] { Execute(command); });
  }
}

void SimulatorControl::ListenOnStdin() {
  if (stdin_) return;
  stdin_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(stdin_, &QSocketNotifier::activated, this, [this] {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer) - 1);
    if (n <= 0) {
      stdin_->setEnabled(false);  // end of input: the menu still works
      return;
    }
    const QString text = QString::fromUtf8(buffer, static_cast<qsizetype>(n));
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      if (!Execute(line)) Trace("simulator: unknown command %s", line.toUtf8().constData());
    }
  });
}

}  // namespace qv::ui
