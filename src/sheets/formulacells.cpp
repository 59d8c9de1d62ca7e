// Bringing the formula cells of a range up to date: a walk of the references from the range's
// cells, depth first and without recursion (a running sum down a column is a chain as long as the
// column), then each cell computed after the cells it refers to.
#include "sheets/formulacells.h"

#include <ixion/cell.hpp>
#include <ixion/exceptions.hpp>
#include <ixion/formula_opcode.hpp>
#include <ixion/formula_result.hpp>
#include <ixion/formula_tokens.hpp>
#include <ixion/model_context.hpp>
#include <ixion/types.hpp>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace gyro {

namespace {

using ixion::abs_address_t;
using ixion::abs_range_t;

// A formula cell holds a stored value when the file gave one. The reader leaves in the cells that
// had none a NaN (no spreadsheet stores a NaN), one of the engine's internal errors, or no result
// at all.
bool HasStoredValue(const ixion::formula_cell& cell) {
    using Type = ixion::formula_result::result_type;
    try {
        const ixion::formula_result r =
            cell.get_result_cache(ixion::formula_result_wait_policy_t::throw_exception);
        if (r.get_type() == Type::value) return !std::isnan(r.get_value());
        if (r.get_type() != Type::error) return true;
        switch (r.get_error()) {
        case ixion::formula_error_t::no_result_error:
        case ixion::formula_error_t::stack_error:
        case ixion::formula_error_t::general_error:
        case ixion::formula_error_t::ref_result_not_available:
            return false;
        default:
            return true;
        }
    } catch (const std::exception&) {
        return false;
    }
}

class Walk {
public:
    Walk(ixion::model_context& context, bool recomputeAll)
        : m_context(context), m_all(recomputeAll) {}

    // Appends to `out` the cells of `range` that need computing and are not yet in the walk.
    void collect(abs_range_t range, std::vector<abs_address_t>& out) {
        if (!clip(range)) return;
        for (ixion::row_t row = range.first.row; row <= range.last.row; ++row)
            for (ixion::col_t column = range.first.column; column <= range.last.column; ++column)
                visit(abs_address_t(range.first.sheet, row, column), out);
    }

    // The cells that the formula at `pos` refers to, that need computing and are not yet in the
    // walk.
    std::vector<abs_address_t> precedents(const abs_address_t& pos) {
        std::vector<abs_address_t> out;
        const ixion::formula_cell* cell = m_context.get_formula_cell(pos);
        if (!cell) return out;
        for (const ixion::formula_token* t : cell->get_ref_tokens(m_context, pos)) {
            if (t->get_opcode() == ixion::fop_single_ref)
                collect(abs_range_t(t->get_single_ref().to_abs(pos)), out);
            else if (t->get_opcode() == ixion::fop_range_ref)
                collect(t->get_range_ref().to_abs(pos), out);
        }
        return out;
    }

    // Every cell met is marked; true when it still has to be finished.
    bool open(const abs_address_t& pos) { return m_state[pos] == State::Open; }
    void finish(const abs_address_t& pos) { m_state[pos] = State::Done; }

private:
    enum class State : unsigned char { Open, Done };

    // The part of `range` that holds cells: whole rows and columns end where the sheet's data
    // ends. False when nothing is left.
    bool clip(abs_range_t& range) {
        if (range.first.sheet < 0 ||
            static_cast<std::size_t>(range.first.sheet) >= m_context.get_sheet_count())
            return false;
        // The data extent costs a look at every column of the sheet: taken once per sheet.
        auto known = m_dataRanges.find(range.first.sheet);
        if (known == m_dataRanges.end())
            known =
                m_dataRanges.emplace(range.first.sheet, m_context.get_data_range(range.first.sheet))
                    .first;
        const abs_range_t& data = known->second;
        if (!data.valid()) return false;
        if (range.all_rows()) {
            range.first.row = data.first.row;
            range.last.row = data.last.row;
        }
        if (range.all_columns()) {
            range.first.column = data.first.column;
            range.last.column = data.last.column;
        }
        range.first.row = std::max(range.first.row, data.first.row);
        range.last.row = std::min(range.last.row, data.last.row);
        range.first.column = std::max(range.first.column, data.first.column);
        range.last.column = std::min(range.last.column, data.last.column);
        return range.first.row <= range.last.row && range.first.column <= range.last.column;
    }

    void visit(const abs_address_t& pos, std::vector<abs_address_t>& out) {
        if (m_state.count(pos)) return;
        const ixion::formula_cell* cell = m_context.get_formula_cell(pos);
        if (!cell || (!m_all && HasStoredValue(*cell))) return;
        m_state.emplace(pos, State::Open);
        out.push_back(pos);
    }

    ixion::model_context& m_context;
    const bool m_all;
    std::unordered_map<abs_address_t, State, abs_address_t::hash> m_state;
    std::unordered_map<ixion::sheet_t, abs_range_t> m_dataRanges;
};

// A formula the reader could not parse (a sheet or a name it does not know) is kept as an error
// token followed by its text.
bool Unparsed(const ixion::formula_cell& cell) {
    const ixion::formula_tokens_store_ptr_t& store = cell.get_tokens();
    return store && !store->get().empty() && store->get().front()->get_opcode() == ixion::fop_error;
}

// Computes one cell from the current values of the cells it refers to.
bool Compute(ixion::model_context& context, const abs_address_t& pos) {
    ixion::formula_cell* cell = context.get_formula_cell(pos);
    if (!cell) return true;
    cell->reset();
    if (Unparsed(*cell)) {
        cell->set_result_cache(ixion::formula_result(ixion::formula_error_t::name_not_found));
        return false;
    }
    ixion::formula_error_t error = ixion::formula_error_t::name_not_found;
    try {
        // A cell that refers to itself gets an error here rather than waiting for its own value.
        cell->check_circular(context, pos);
        cell->interpret(context, pos);
        return true;
    } catch (const ixion::formula_error& e) {
        // An engine error (a reference that cannot be served, a circle): its own mark, #REF!
        // for most.
        error = e.get_error() == ixion::formula_error_t::no_result_error ||
                        e.get_error() == ixion::formula_error_t::stack_error ||
                        e.get_error() == ixion::formula_error_t::general_error
                    ? ixion::formula_error_t::ref_result_not_available
                    : e.get_error();
    } catch (const ixion::general_error&) {
        // A function the engine does not know: #NAME?, as spreadsheet programs show it.
    }
    cell->set_result_cache(ixion::formula_result(error));
    return false;
}

} // namespace

FormulaWork ComputeFormulasOfRange(ixion::model_context& context, abs_range_t range,
                                   bool recomputeAll) {
    FormulaWork work;
    Walk walk(context, recomputeAll);
    std::vector<abs_address_t> starts;
    range.reorder();
    walk.collect(range, starts);
    // Depth first: a cell is computed once every cell it refers to has been. A cell met again
    // while it is still open closes a circle; it is then read with the value it has.
    struct Frame {
        abs_address_t pos;
        std::vector<abs_address_t> next;
        std::size_t at = 0;
    };
    std::vector<Frame> stack;
    for (const abs_address_t& start : starts) {
        if (!walk.open(start)) continue;
        stack.push_back({start, walk.precedents(start)});
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.at < top.next.size()) {
                const abs_address_t pos = top.next[top.at++];
                if (walk.open(pos)) stack.push_back({pos, walk.precedents(pos)});
                continue;
            }
            const abs_address_t pos = top.pos;
            stack.pop_back();
            if (!walk.open(pos)) continue;
            walk.finish(pos);
            ++work.computed;
            if (!Compute(context, pos)) ++work.failed;
        }
    }
    return work;
}

} // namespace gyro
