// The example memo "ZEFRON.TMP": numbered cases of the main window, saved and loaded.
#pragma once

#include "simulation/casemodel.h"

#include <filesystem>
#include <string>
#include <vector>

namespace gyro {

/// The memo file of numbered examples. Each example is a record of 107 lines (CR LF ended): the
/// marker "New_Record_Data_Gyrotrace", the 21 texts of each of Texte3, Texte4, Texte6, the text
/// of Texte7, the 21 option values of Option4 ("True"/"False") and the 21 check-box values of
/// Coche1 ("0"/"1"), in the Windows-1252 code page like the program's other text files. The
/// example number is the record's position in the file. Lines may end with CR LF, LF or CR alone
/// (older editors), and a leading byte-order mark is skipped. The file is read in one pass the
/// first time it is needed and then kept in step with it by every save; a record is decoded only
/// when it is loaded or stored.
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

    /// Stores the case as example `number` (a number above the count appends a new example and
    /// `number` takes its value; below 1 replaces the first) and rewrites the file. A non-empty
    /// file in which no example could be read is first kept aside under a new name
    /// ("ZEFRON.TMP.bak", ...) and the warning log says so. Texte3(7) and Texte3(8) receive the
    /// example number and the count.
    void save(double& number, CaseModel& model);
    /// Loads example `number` into the case (a number outside 1..count loads the last one).
    /// Texte3(7) and Texte3(8) receive the example number and the count.
    Selector load(double& number, CaseModel& model);
    /// The memo routine by its command: "sauve" saves, "charge" loads, any other does nothing.
    Selector Memo(const std::string& command, double& number, CaseModel& model);

    /// Number of examples known (0 until the file has been read).
    double count() const { return static_cast<double>(m_records.size()); }
    /// Path of the memo file.
    const std::filesystem::path& path() const { return m_path; }
    /// The message of the last failed write ("" when the last save succeeded).
    const std::string& lastError() const { return m_lastError; }
    /// Where an unreadable memo was kept aside by the last save ("" when nothing was moved).
    const std::filesystem::path& keptAside() const { return m_keptAside; }

private:
    // One example: its lines after the marker as read from the file, or its decoded cells once
    // the case has been stored into it.
    struct Record {
        std::size_t begin = 0, end = 0; // byte range in m_text
        std::vector<std::string> cells; // kRecordLines UTF-8 texts; empty: read from m_text
    };

    void scan();
    bool keepUnreadableFileAside();
    std::vector<std::string> cellsOf(const Record& record) const;
    void storeCase(const CaseModel& model, Record& record) const;
    void loadCase(CaseModel& model, const Record& record) const;
    bool writeFile();

    std::filesystem::path m_path;
    std::string m_text; // the file's bytes as last read
    // m_text [m_prefixBegin, m_prefixEnd): lines before the first record, written back as read.
    std::size_t m_prefixBegin = 0, m_prefixEnd = 0;
    std::vector<Record> m_records;
    std::string m_lastError;
    std::filesystem::path m_keptAside;
};

} // namespace gyro
