// Paths and data files the main window reads (kept apart from the message headers, which
// declare a product code of their own). Interface thread.
#pragma once

#include <QString>
#include <cstdint>

namespace qv::ui {

// The installation folder followed by "Updata" and a separator.
QString FirmwareUpdateFolder();
// The number of built-in effects of light set `lightSet` in "default_light.json"; 0 when the
// file or the set is missing.
int BuiltInEffectCount(uint32_t lightSet);

}  // namespace qv::ui
