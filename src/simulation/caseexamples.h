// The examples of runs: numbering the example a run saves, loading one with its species.
#pragma once

#include "simulation/casememo.h"
#include "simulation/casemodel.h"
#include "simulation/integrationmethod.h"

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

/// Writes the integration method and the steps per gyration into the example's own slots,
/// Texte3(kMethodMemo) as the command line's key ("cash-karp", "boris", "relativistic") and
/// Texte3(kStepsPerGyrationMemo), so that a saved example runs again as it ran.
void storeMethod(CaseModel& model, const IntegrationChoice& choice);

/// Puts back the method an example keeps. An example saved before methods were kept (empty
/// slots) or with a text that is no method leaves the choice as it was; returns whether the
/// method was put back.
bool restoreMethod(const CaseModel& model, IntegrationChoice& choice);

/// Loads example `number` (a number outside 1..count loads the last one) and puts back its
/// species and integration method. Returns the selector of the memo: moved is false when there was
/// nothing to load.
CaseMemo::Selector loadExample(CaseModel& model, CaseMemo& memo, double number);

} // namespace gyro
