// The formula cells that a cell range depends on, brought up to date before the range is read:
// the values the writing program stored are kept, and only what has none is computed.
#pragma once

#include <ixion/address.hpp>

#include <cstddef>

namespace ixion {
class model_context;
}

namespace gyro {

/// What bringing a range up to date did.
struct FormulaWork {
    std::size_t computed = 0; ///< formula cells computed
    std::size_t failed = 0;   ///< of those, cells whose formula could not be computed
};

/// Computes the formula cells that `range` depends on, directly or through other formula cells,
/// and that hold no stored value (or all of them when `recomputeAll`, for a workbook that asks
/// to be recomputed when it is opened), each after the cells it refers to. A formula cell that
/// holds a stored value is taken as it is, and what it refers to is not looked at. Cells outside
/// that closure are never computed. A formula that cannot be computed (an unknown function such
/// as REPT, a reference to a sheet that is not there) gives its cell alone the error #NAME?; the
/// cells of a circle of references give #REF!.
/// References that only a computation reveals (INDIRECT, names) are not followed: a formula cell
/// they reach without a value reads as #NUM!.
FormulaWork ComputeFormulasOfRange(ixion::model_context& context, ixion::abs_range_t range,
                                   bool recomputeAll);

} // namespace gyro
