// The reading child: a workbook is read in a helper process that the system stops at a memory and
// a processor-time limit, so that no file, however built, can exhaust the program or hold it.
#pragma once

#include "sheets/workbookreader.h"

#include <cstddef>
#include <functional>
#include <string>

namespace gyro {

/// Runs `work` in a child process under `limits` (its memory on top of what the program holds and
/// of `stackReserveBytes` reserved for a reading thread's stack) and returns what it returned. A
/// child stopped at a limit, cancelled through `limits.cancel`, or dead of a fault gives a failure
/// whose message names the file `path` and the limit it passed. Messages come back with control
/// bytes replaced.
WorkbookText ReadInHelper(const std::function<WorkbookText()>& work, const WorkbookLimits& limits,
                          const std::string& path, std::size_t stackReserveBytes);

} // namespace gyro
