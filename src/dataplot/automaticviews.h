// The four automatic views side by side on one picture, for the window, a file or the printer.
#pragma once

namespace gyro {

class DrawingSurface;
class KelaxesLibrary;

/// Clears `out`, sizes it to two view pictures each way, and replays the axes library's views
/// 0..3 in their automatic places (0 top left, 1 top right, 2 bottom left, 3 bottom right).
void ComposeAutomaticViews(KelaxesLibrary& library, DrawingSurface& out);

} // namespace gyro
