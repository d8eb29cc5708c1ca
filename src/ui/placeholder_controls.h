// Stand-ins for the system's own control classes whose real widgets are not written yet. Each
// has exactly the class name that layouts use, so that the factory, the layouts and lookups by
// type already work; the real class replaces its stand-in here and keeps the name. They live in
// the global namespace because their meta-object class name is what layouts and tests compare.
// Interface thread only.
#pragma once

#include <QFrame>

class CCircleProgressUI : public QFrame {
  Q_OBJECT

 public:
  explicit CCircleProgressUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CChartViewUI : public QFrame {
  Q_OBJECT

 public:
  explicit CChartViewUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CWndUI : public QFrame {
  Q_OBJECT

 public:
  explicit CWndUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CCloudShareListItemUI : public QFrame {
  Q_OBJECT

 public:
  explicit CCloudShareListItemUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CUpdateInfoListItemUI : public QFrame {
  Q_OBJECT

 public:
  explicit CUpdateInfoListItemUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CComboEditContainerElementUI : public QFrame {
  Q_OBJECT

 public:
  explicit CComboEditContainerElementUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CHandImgButtonUI : public QFrame {
  Q_OBJECT

 public:
  explicit CHandImgButtonUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CHandImgSelectButtonUI : public QFrame {
  Q_OBJECT

 public:
  explicit CHandImgSelectButtonUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CAudioRecordUI : public QFrame {
  Q_OBJECT

 public:
  explicit CAudioRecordUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CLightControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CLightControlUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CShootControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CShootControlUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CMagicControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CMagicControlUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CVoice6533ControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CVoice6533ControlUI(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CKestravaMousePadDevice : public QFrame {
  Q_OBJECT

 public:
  explicit CKestravaMousePadDevice(QWidget* parent = nullptr) : QFrame(parent) {}
};

class CKestravaHS6533Device : public QFrame {
  Q_OBJECT

 public:
  explicit CKestravaHS6533Device(QWidget* parent = nullptr) : QFrame(parent) {}
};
