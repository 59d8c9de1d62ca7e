// The zip container of an .xlsx or .ods workbook, checked before the parser sees it: every entry
// inflated once to count what it really unpacks to, parts that should be there and are not, parts
// cut short, and part names written as absolute paths made relative for the parser.
#pragma once

#include <cstddef>
#include <string>

namespace gyro {

/// What the check found.
struct ZipCheck {
    enum class Verdict {
        Ok,       ///< readable (perhaps rewritten)
        Damaged,  ///< the container or one of its parts is broken or missing
        TooLarge, ///< unpacking would pass the limit
    };
    Verdict verdict = Verdict::Ok;
    std::string problem;           ///< what is wrong, in the user's terms (no file name)
    std::size_t unpackedBytes = 0; ///< bytes inflated before the verdict
    /// The values stored with the formulas are not to be trusted: an .xlsx workbook asks to be
    /// recomputed when it is opened (its calculation properties say fullCalcOnLoad, as writers
    /// that store 0 for every formula do), or an .ods workbook does not name the program that
    /// wrote it (spreadsheet programs recompute such documents too).
    bool recomputeOnOpen = false;
};

/// Checks the zip held in `bytes`, inflating every entry that its central directory lists
/// (whatever count the end record gives) and stopping as soon as the total passes
/// `unpackedLimit` bytes. For a spreadsheet package, relationship targets given as absolute part
/// names ("/xl/worksheets/sheet1.xml") are rewritten relative to their source part, as the
/// parser expects; `bytes` then holds the rewritten container. A worksheet that the workbook
/// names but the container lacks, or an XML part whose root element is never closed, makes the
/// workbook damaged.
ZipCheck CheckWorkbookZip(std::string& bytes, std::size_t unpackedLimit);

} // namespace gyro
