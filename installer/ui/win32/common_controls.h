#pragma once
// The common controls the window uses (tooltips), from comctl32.dll out of the system
// folder: version 6 where the manifest asks for it. comctl32 is no KnownDLL and nothing
// links its import library.

namespace ui {

// Registers the control classes once per process and keeps the library loaded. False
// when the library or its registration function is missing: the window then has no
// tooltips and works otherwise.
bool init_common_controls();

}  // namespace ui
