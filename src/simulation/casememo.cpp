// Scanning, saving and loading the example memo.
#include "simulation/casememo.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/numberread.h"
#include "settings/codepage.h"
#include "settings/textfile.h"
#include "simulation/casefieldmap.h"
#include "simulation/caseslots.h"

#include <cctype>
#include <cmath>
#include <iterator>
#include <string_view>
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
constexpr int kTexte3Controls = 19; // 0..15 boxes, 16..17 the integration method, 18 the map
constexpr int kTexte4Controls = 18; // 0..17
constexpr int kTexte6Controls = 15; // 0..14
constexpr int kOption4Controls = 6; // 0..5
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

// One line of a text: its bytes [begin, end) and where the next line starts. Lines end with
// CR LF, LF, or CR alone (as older editors write).
struct Line {
    std::size_t begin, end, next;
};

Line lineAt(std::string_view text, std::size_t pos) {
    const std::size_t n = text.size();
    std::size_t end = pos;
    while (end < n && text[end] != '\n' && text[end] != '\r') ++end;
    std::size_t next = end;
    if (next < n) next += text[next] == '\r' && next + 1 < n && text[next + 1] == '\n' ? 2 : 1;
    return {pos, end, next};
}

bool isMarker(std::string_view line) {
    return line == CaseMemo::kMarker || line == CaseMemo::kOldMarker;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A memo of the largest size the window can fill is a few megabytes; a larger file is not one.
constexpr std::size_t kMaxMemoBytes = std::size_t(256) << 20;

} // namespace

CaseMemo::CaseMemo(std::filesystem::path folder) : m_path(std::move(folder) / kFileName) {}

void CaseMemo::scan() {
    m_records.clear();
    m_text.clear();
    m_prefixBegin = m_prefixEnd = 0;
    // Only a regular file is read (a FIFO under the name would block for ever); a missing file
    // holds no example, and the first save creates it.
    if (!ReadFileHead(m_path, m_text, kMaxMemoBytes).ok) m_text.clear();
    const std::string_view text = m_text;
    std::size_t pos = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? 3 : 0;
    m_prefixBegin = pos; // a byte-order mark is not written back
    // One pass: each marker starts a record that runs to the next marker, so that foreign lines
    // between records or a truncated record do not shift the records after them.
    while (pos < text.size()) {
        const Line line = lineAt(text, pos);
        if (isMarker(text.substr(line.begin, line.end - line.begin))) {
            if (!m_records.empty()) m_records.back().end = line.begin;
            if (m_records.empty()) m_prefixEnd = line.begin; // foreign lines before the first
            m_records.push_back({line.next, text.size(), {}});
        }
        pos = line.next;
    }
}

std::vector<std::string> CaseMemo::cellsOf(const Record& record) const {
    if (!record.cells.empty()) return record.cells;
    std::vector<std::string> cells(kRecordLines);
    cells[0] = kMarker;
    const std::string_view text = m_text;
    std::size_t pos = record.begin;
    for (int k = 1; k < kRecordLines && pos < record.end; ++k) {
        const Line line = lineAt(text, pos);
        cells[static_cast<std::size_t>(k)] =
            Cp1252ToUtf8(std::string(text.substr(line.begin, line.end - line.begin)));
        pos = line.next;
    }
    return cells; // missing lines stay empty
}

void CaseMemo::storeCase(const CaseModel& model, Record& record) const {
    static const std::string kTrue = "True", kFalse = "False", kOne = "1", kZero = "0";
    std::vector<std::string> cells = cellsOf(record);
    auto cell = [&](int line) -> std::string& { return cells[static_cast<std::size_t>(line)]; };
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        if (i == slot::kFieldMapPath)
            cell(kTexte3Line + i) = encodeValue(memoMapPath(model.Texte3(i), m_path.parent_path()));
        else if (i < kTexte3Controls)
            cell(kTexte3Line + i) = encodeValue(model.Texte3(i));
        if (i < kTexte4Controls) cell(kTexte4Line + i) = encodeValue(model.Texte4(i));
        if (i < kTexte6Controls) cell(kTexte6Line + i) = encodeValue(model.Texte6(i));
        if (i < kOption4Controls) cell(kOption4Line + i) = model.Option4(i) ? kTrue : kFalse;
        if (i < kCoche1Controls) cell(kCoche1Line + i) = model.Coche1(i) ? kOne : kZero;
    }
    cell(kTexte7Line) = encodeValue(model.Texte7());
    record.cells = std::move(cells);
}

void CaseMemo::loadCase(CaseModel& model, const Record& record) const {
    const std::vector<std::string> cells = cellsOf(record);
    auto cell = [&](int line) -> const std::string& {
        return cells[static_cast<std::size_t>(line)];
    };
    for (int i = 0; i < CaseModel::kSlots; ++i) {
        if (i < kTexte3Controls)
            model.setText(BoxFamily::Texte3, i, decodeValue(cell(kTexte3Line + i)));
        if (i < kTexte4Controls)
            model.setText(BoxFamily::Texte4, i, decodeValue(cell(kTexte4Line + i)));
        if (i < kTexte6Controls)
            model.setText(BoxFamily::Texte6, i, decodeValue(cell(kTexte6Line + i)));
    }
    model.setText(BoxFamily::Texte7, 0, decodeValue(cell(kTexte7Line)));
    // Option buttons behave as on the window: setting one clears the others of the group.
    for (int i = 0; i < kOption4Controls; ++i) {
        if (readOption(cell(kOption4Line + i)))
            model.select(BoxFamily::Option4, i);
        else
            model.setState(BoxFamily::Option4, i, 0);
    }
    for (int i = 0; i < kCoche1Controls; ++i) {
        model.setState(BoxFamily::Coche1, i, Val(cell(kCoche1Line + i)) != 0 ? 1 : 0);
    }
}

bool CaseMemo::writeFile() {
    // Every record is written whole, 107 CR LF ended lines; records never stored are copied
    // from the bytes read, so that their text is kept exactly.
    std::string bytes;
    bytes.reserve(m_text.size() + 4096);
    const std::string_view text = m_text;
    if (m_prefixEnd > m_prefixBegin) // what stood before the first example is kept
        bytes.append(text.substr(m_prefixBegin, m_prefixEnd - m_prefixBegin));
    for (const Record& record : m_records) {
        if (!record.cells.empty()) {
            for (const std::string& cell : record.cells) {
                bytes += Utf8ToCp1252(cell);
                bytes += "\r\n";
            }
            continue;
        }
        bytes += kMarker;
        bytes += "\r\n";
        std::size_t pos = record.begin;
        for (int k = 1; k < kRecordLines; ++k) {
            if (pos < record.end) {
                const Line line = lineAt(text, pos);
                bytes.append(text.substr(line.begin, line.end - line.begin));
                pos = line.next;
            }
            bytes += "\r\n";
        }
    }
    // Written beside the old file and renamed over it: a crash mid-write keeps the old examples.
    const FileResult result = WriteFileReplacing(m_path, bytes);
    m_lastError = result.ok ? std::string() : "Cannot write the examples file: " + result.message;
    return result.ok;
}

bool CaseMemo::keepUnreadableFileAside() {
    // A file with content but no example is not ours to overwrite: an unknown format, or examples
    // this program cannot read. It is moved to a name no earlier copy uses.
    if (RegularFileSize(m_path) == 0) return true;
    for (int k = 0; k < 1000; ++k) {
        std::filesystem::path aside = m_path;
        if (k > 0) aside += '.' + std::to_string(k);
        aside += ".bak";
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(aside, ec))) continue;
        std::filesystem::rename(m_path, aside, ec);
        if (ec) {
            m_lastError = "Cannot keep aside the unreadable examples file: " + ec.message();
            return false;
        }
        m_keptAside = aside;
        AlerteCalcul("_Memofaute " + m_path.filename().string() +
                     " holds no example this program can read: kept as " +
                     aside.filename().string());
        return true;
    }
    m_lastError = "Cannot keep aside the unreadable examples file: too many earlier copies";
    return false;
}

void CaseMemo::save(double& number, CaseModel& model) {
    number = std::nearbyint(number); // example numbers are whole
    m_keptAside.clear();
    if (m_records.empty()) {
        scan();
        if (m_records.empty() && !keepUnreadableFileAside()) {
            AlerteCalcul("_Memofaute " + m_lastError);
            return;
        }
    }
    const double count = this->count();
    if (std::isnan(number) || number > count) number = count + 1; // a new example
    if (number < 1) number = 1; // a number below 1 replaces the first example
    const auto index = static_cast<std::size_t>(number);
    if (index > m_records.size()) m_records.resize(index);
    storeCase(model, m_records[index - 1]);
    model.setText(BoxFamily::Texte3, 7, FormatGeneral(number));
    model.setText(BoxFamily::Texte3, 8, FormatGeneral(this->count()));
    if (!writeFile()) AlerteCalcul("_Memofaute " + m_lastError);
}

CaseMemo::Selector CaseMemo::load(double& number, CaseModel& model) {
    Selector selector;
    number = std::nearbyint(number);
    std::error_code ec;
    const auto size = std::filesystem::file_size(m_path, ec);
    if (ec || size < 5) {
        model.setText(BoxFamily::Texte3, 7, "1");
        return selector;
    }
    if (m_records.empty()) scan();
    if (m_records.empty()) {
        model.setText(BoxFamily::Texte3, 7, "1");
        return selector;
    }
    if (!(number > 0) || number > count()) number = count();
    loadCase(model, m_records[static_cast<std::size_t>(number) - 1]);
    selector.moved = true;
    selector.maximum = count();
    selector.value = number;
    model.setText(BoxFamily::Texte3, 8, FormatGeneral(count()));
    model.setText(BoxFamily::Texte3, 7, FormatGeneral(number));
    return selector;
}

CaseMemo::Selector CaseMemo::Memo(const std::string& command, double& number, CaseModel& model) {
    if (command == "sauve") {
        save(number, model);
        return {};
    }
    if (command == "charge") return load(number, model);
    return {};
}

} // namespace gyro
