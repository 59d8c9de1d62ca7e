// The examples of runs: numbering the example a run saves, loading one with its species.
#pragma once

#include "casememo.h"
#include "casemodel.h"

namespace gyro {

/// The number under which a run saves the case. With "Replace" ticked (Coche1 kReplace) it is
/// the example shown, Texte3(kExampleNumber); otherwise a new number one above both the highest
/// number shown, Texte3(kExampleMax), and the memo's count, written into both boxes.
double numberRunExample(CaseModel& model, double memoCount);

/// Saves the case as the run's example (numbered by numberRunExample). A failed write is logged
/// as "_Memofaute <reason>". Returns the example number saved under.
double saveRunExample(CaseModel& model, CaseMemo& memo);

/// Selects the species an example keeps in Texte3(kSpeciesMemo): a whole number 0..2. Returns
/// false and changes nothing when the box is empty or holds anything else.
bool restoreSpecies(CaseModel& model);

/// Loads example `number` (a number outside 1..count loads the last one) and puts back its
/// species. Returns the selector of the memo: moved is false when there was nothing to load.
CaseMemo::Selector loadExample(CaseModel& model, CaseMemo& memo, double number);

} // namespace gyro
