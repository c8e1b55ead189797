#pragma once

namespace corvane {

// True while the user has turned on the system's high-contrast colours. Only Windows has such a
// switch that a program can read; elsewhere it is false.
bool highContrastOn();

} // namespace corvane
