// The axes library's own warning: continue, stop or end, asked in French.
#pragma once

#include <string>

namespace gyro {

/// Reports a fault of a Kelaxes routine (its label, e.g. "Faute Plot Kelaxes") through the error
/// report's asker. The first default answer is "oui, c'est noté!", later ones the last answer.
/// An answer starting with "o" or an empty one continues; one starting with "s" ends the program
/// at once; anything else ("non", "Stop", "Oui") asks again whether to abandon, and an answer
/// starting with "o" to that ends the program. The reading is case-sensitive.
void AlerteKelaxes(const std::string& label);

} // namespace gyro
