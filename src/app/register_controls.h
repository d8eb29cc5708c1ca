// Registers the system's own control classes with the control factory, in the fixed order.
// Call once at start-up, before any layout loads. Interface thread only.
#pragma once

namespace qv::ui {

void RegisterSystemControls();

}  // namespace qv::ui
