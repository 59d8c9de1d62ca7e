// The demonstration graph of the axes library: a sine curve on graduated axes.
#pragma once

#include "kelaxes/kelaxes.h"

namespace gyro {

/// Draws the demonstration graph on view 1 (or on the printer page when `params.noPrint` is 0):
/// axes −100…100 × −50…50 titled "AxeX" and "AxeY", the curve y = 50·sin(x/20) plotted every
/// `xStep` (5 by default) in the curve colour 255, 50, 0, each sample marked with `Pointe` in
/// the second colour 0, 50, 255, and a caption. Returns the layout; an acknowledged printer hint
/// has turned the page before the graph was laid out.
KelaxesLayout DemonstrationGraph(double xStep = 5);

} // namespace gyro
