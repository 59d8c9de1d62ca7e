// The example memo "ZEFRON.TMP": numbered cases of the main window, saved and loaded.
#pragma once

#include "casemodel.h"

#include <filesystem>
#include <string>
#include <vector>

namespace gyro {

/// The memo file of numbered examples. Each example is a record of 107 lines (CR LF ended): the
/// marker "New_Record_Data_Gyrotrace", the 21 texts of each of Texte3, Texte4, Texte6, the text
/// of Texte7, the 21 option values of Option4 ("True"/"False") and the 21 check-box values of
/// Coche1 ("0"/"1"), in the Windows-1252 code page like the program's other text files. The
/// example number is the record's position in the file. The file is read
/// once (the first load or save) and then kept in step with it by every save.
class CaseMemo {
public:
    static constexpr int kRecordLines = 107;
    static constexpr const char* kMarker = "New_Record_Data_Gyrotrace";
    static constexpr const char* kOldMarker = "255memo_data_zefron";
    static constexpr const char* kFileName = "ZEFRON.TMP";

    /// What a load did to the example selector: its new maximum and position.
    struct Selector {
        bool moved = false; ///< false when nothing was loaded
        double maximum = 0; ///< number of examples
        double value = 0;   ///< the example loaded
    };

    /// A memo in the given folder (the current folder by default).
    explicit CaseMemo(std::filesystem::path folder = std::filesystem::current_path());

    /// The memo routine. "sauve" stores the case as example `number` (a number above the count
    /// appends a new example and `number` takes its value) and rewrites the file; "charge" loads
    /// example `number` into the case (a number outside 1..count loads the last one); any other
    /// command does nothing. Texte3(7) and Texte3(8) receive the example number and the count.
    Selector Memo(const std::string& command, double& number, CaseModel& model);

    /// Number of examples known (0 until the file has been scanned).
    double count() const { return m_count; }
    /// Path of the memo file.
    const std::filesystem::path& path() const { return m_path; }
    /// The message of the last failed write ("" when the last save succeeded).
    const std::string& lastError() const { return m_lastError; }

private:
    void scan();
    void storeCase(const CaseModel& model, int record);
    void loadCase(CaseModel& model, int record) const;
    bool writeFile();
    std::string& cell(int record, int line);
    const std::string& cell(int record, int line) const;

    std::filesystem::path m_path;
    double m_count = 0;
    std::vector<std::string> m_cells;      // record r, line k at (r - 1) * 107 + k
    std::vector<std::uintmax_t> m_offsets; // byte offset of each record's marker, then the end
    std::string m_lastError;
};

} // namespace gyro
