// Scanning, saving and loading the example memo.
#include "casememo.h"

#include "cases/codepage.h"
#include "cases/textfile.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/numberread.h"

#include <cctype>
#include <cmath>
#include <fstream>
#include <system_error>

namespace gyro {

namespace {

// Line layout of a record: the marker, then the families in this order, 21 slots each (Texte7 has
// one line).
constexpr int kTexte3Line = 1;
constexpr int kTexte4Line = 22;
constexpr int kTexte6Line = 43;
constexpr int kTexte7Line = 64;
constexpr int kOption4Line = 65;
constexpr int kCoche1Line = 86;

// The slots that have a control on the window. The others keep the value the memo held, so that
// every record keeps its length and foreign data survives.
constexpr int kTexte3Controls = 16; // 0..15
constexpr int kTexte4Controls = 18; // 0..17
constexpr int kTexte6Controls = 15; // 0..14
constexpr int kOption4Controls = 5; // 0..4
constexpr int kCoche1Controls = 8;  // 0..7

// Line breaks inside a box (the comment box is multi-line) would cut a record in two: they are
// written as a pilcrow and turned back into CR LF when read.
constexpr const char* kLineBreakMark = "\xC2\xB6";

std::string encodeValue(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += kLineBreakMark;
        } else if (text[i] == '\n') {
            out += kLineBreakMark;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string decodeValue(const std::string& text) {
    std::string out;
    const std::string mark = kLineBreakMark;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, mark.size(), mark) == 0) {
            out += "\r\n";
            i += mark.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

bool readOption(const std::string& text) {
    std::string t;
    for (char c : text) {
        if (c != ' ') t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return t == "true" || t == "vrai" || Val(t) != 0;
}

bool isMarker(const std::string& line) {
    return line == CaseMemo::kMarker || line == CaseMemo::kOldMarker;
}

} // namespace

CaseMemo::CaseMemo(std::filesystem::path folder) : m_path(std::move(folder) / kFileName) {}

std::string& CaseMemo::cell(int record, int line) {
    const std::size_t index =
        static_cast<std::size_t>(record - 1) * kRecordLines + static_cast<std::size_t>(line);
    if (m_cells.size() <= index) m_cells.resize(index + 1);
    return m_cells[index];
}

const std::string& CaseMemo::cell(int record, int line) const {
    static const std::string empty;
    const std::size_t index =
        static_cast<std::size_t>(record - 1) * kRecordLines + static_cast<std::size_t>(line);
    return index < m_cells.size() ? m_cells[index] : empty;
}

void CaseMemo::scan() {
    m_count = 0;
    m_cells.clear();
    m_offsets.clear();
    std::ifstream in(m_path, std::ios::binary);
    if (!in) return; // a missing file holds no example; the first save creates it
    std::vector<std::string> lines;
    std::vector<std::size_t> markerLines;
    std::uintmax_t offset = 0;
    std::string line;
    while (std::getline(in, line)) {
        const std::uintmax_t lineStart = offset;
        offset += line.size() + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = Cp1252ToUtf8(line);
        if (isMarker(line)) {
            markerLines.push_back(lines.size());
            m_offsets.push_back(lineStart);
        }
        lines.push_back(std::move(line));
    }
    m_offsets.push_back(offset);
    m_count = static_cast<double>(markerLines.size());
    // Each record is read from its own marker, so that foreign lines between records or a
    // truncated record do not shift the records after them; missing lines stay empty.
    for (std::size_t r = 0; r < markerLines.size(); ++r) {
        const std::size_t first = markerLines[r];
        const std::size_t stop = r + 1 < markerLines.size() ? markerLines[r + 1] : lines.size();
        const int record = static_cast<int>(r) + 1;
        cell(record, kRecordLines - 1); // give the record all its cells
        for (std::size_t k = 0; k < kRecordLines && first + k < stop; ++k) {
            cell(record, static_cast<int>(k)) = lines[first + k];
        }
        cell(record, 0) = kMarker;
    }
}

void CaseMemo::storeCase(const CaseModel& model, int record) {
    static const std::string kTrue = "True", kFalse = "False", kOne = "1", kZero = "0";
    cell(record, 0) = kMarker;
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        if (i < kTexte3Controls) cell(record, kTexte3Line + i) = encodeValue(model.Texte3(i));
        if (i < kTexte4Controls) cell(record, kTexte4Line + i) = encodeValue(model.Texte4(i));
        if (i < kTexte6Controls) cell(record, kTexte6Line + i) = encodeValue(model.Texte6(i));
        if (i < kOption4Controls)
            cell(record, kOption4Line + i) = model.Option4(i) ? kTrue : kFalse;
        if (i < kCoche1Controls) cell(record, kCoche1Line + i) = model.Coche1(i) ? kOne : kZero;
    }
    cell(record, kTexte7Line) = encodeValue(model.Texte7());
}

void CaseMemo::loadCase(CaseModel& model, int record) const {
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        if (i < kTexte3Controls)
            model.setText(BoxFamily::Texte3, i, decodeValue(cell(record, kTexte3Line + i)));
        if (i < kTexte4Controls)
            model.setText(BoxFamily::Texte4, i, decodeValue(cell(record, kTexte4Line + i)));
        if (i < kTexte6Controls)
            model.setText(BoxFamily::Texte6, i, decodeValue(cell(record, kTexte6Line + i)));
    }
    model.setText(BoxFamily::Texte7, 0, decodeValue(cell(record, kTexte7Line)));
    // Option buttons behave as on the window: setting one clears the others of the group.
    for (int i = 0; i < kOption4Controls; ++i) {
        if (readOption(cell(record, kOption4Line + i)))
            model.select(BoxFamily::Option4, i);
        else
            model.setState(BoxFamily::Option4, i, 0);
    }
    for (int i = 0; i < kCoche1Controls; ++i) {
        model.setState(BoxFamily::Coche1, i, Val(cell(record, kCoche1Line + i)) != 0 ? 1 : 0);
    }
}

bool CaseMemo::writeFile() {
    // Written beside the old file and renamed over it: a crash mid-write keeps the old examples.
    std::string bytes;
    const int records = static_cast<int>(m_count);
    for (int r = 1; r <= records; ++r) {
        for (int k = 0; k < kRecordLines; ++k) {
            bytes += Utf8ToCp1252(cell(r, k));
            bytes += "\r\n";
        }
    }
    const FileResult result = WriteFileReplacing(m_path, bytes);
    m_lastError = result.ok ? std::string() : "Cannot write the examples file: " + result.message;
    return result.ok;
}

CaseMemo::Selector CaseMemo::Memo(const std::string& command, double& number, CaseModel& model) {
    Selector selector;
    number = std::nearbyint(number); // example numbers are whole
    if (command == "sauve") {
        if (m_count == 0) scan();
        if (number > m_count) {
            m_count += 1;
            number = m_count;
        }
        if (number < 1) number = 1; // a number below 1 replaces the first example
        if (number > m_count) m_count = number;
        storeCase(model, static_cast<int>(number));
        model.setText(BoxFamily::Texte3, 7, FormatGeneral(number));
        model.setText(BoxFamily::Texte3, 8, FormatGeneral(m_count));
        if (!writeFile()) AlerteCalcul("_Memofaute " + m_lastError);
        return selector;
    }
    if (command != "charge") return selector;

    std::error_code ec;
    const auto size = std::filesystem::file_size(m_path, ec);
    if (ec || size < 5) {
        model.setText(BoxFamily::Texte3, 7, "1");
        return selector;
    }
    if (m_count == 0) scan();
    if (m_count == 0) {
        model.setText(BoxFamily::Texte3, 7, "1");
        return selector;
    }
    if (number <= 0 || number > m_count) number = m_count;
    const int record = static_cast<int>(number);
    number = record;
    loadCase(model, record);
    selector.moved = true;
    selector.maximum = m_count;
    selector.value = number;
    model.setText(BoxFamily::Texte3, 8, FormatGeneral(m_count));
    model.setText(BoxFamily::Texte3, 7, FormatGeneral(number));
    return selector;
}

} // namespace gyro
