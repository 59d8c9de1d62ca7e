// The view-option record store: field-by-field little-endian records, append, replace and read.
#include "settings/recordstore.h"

#include "numerics/errorreport.h"
#include "settings/codepage.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

namespace gyro {

namespace fs = std::filesystem;

namespace {

fs::path g_recordFolder;

// Little-endian field writer and reader over the record's bytes, whatever the host's order.
class Packer {
public:
    explicit Packer(unsigned char* bytes) : m_p(bytes) {}
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) *m_p++ = static_cast<unsigned char>(v >> (8 * i));
    }
    void i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) *m_p++ = static_cast<unsigned char>(u >> (8 * i));
    }
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    void text(const OptionsRecord::Text32& t) {
        std::memcpy(m_p, t.data(), t.size());
        m_p += t.size();
    }

private:
    unsigned char* m_p;
};

class Unpacker {
public:
    explicit Unpacker(const unsigned char* bytes) : m_p(bytes) {}
    std::uint64_t u64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(*m_p++) << (8 * i);
        return v;
    }
    std::int32_t i32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(*m_p++) << (8 * i);
        return static_cast<std::int32_t>(v);
    }
    double f64() { return std::bit_cast<double>(u64()); }
    void text(OptionsRecord::Text32& t) {
        std::memcpy(t.data(), m_p, t.size());
        m_p += t.size();
    }

private:
    const unsigned char* m_p;
};

bool seekTo(std::FILE* f, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) return false;
    return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0;
#endif
}

// Opens the record file for reading and writing, creating it empty when it is missing.
std::FILE* openRecordFile(const fs::path& path) {
    std::error_code ec;
    // Only a regular file holds records: a FIFO or a device would block or never end.
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) return nullptr;
    std::FILE* f = std::fopen(path.string().c_str(), "r+b");
    if (!f && !fs::exists(path, ec)) f = std::fopen(path.string().c_str(), "w+b");
    return f;
}

std::uint64_t fileLength(const fs::path& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

bool isOptionsFile(double fileNumber) {
    return std::nearbyint(fileNumber) == kFichOpNumber;
}

} // namespace

void OptionsRecord::setBodyName(const std::string& utf8) {
    std::string bytes = UpperCp1252(Utf8ToCp1252(utf8));
    const auto first = bytes.find_first_not_of(' ');
    const auto last = bytes.find_last_not_of(' ');
    bytes = first == std::string::npos ? std::string() : bytes.substr(first, last - first + 1);
    bodyName.fill(' ');
    std::memcpy(bodyName.data(), bytes.data(), std::min(bytes.size(), bodyName.size()));
}

std::string OptionsRecord::bodyNameText() const {
    std::string bytes(bodyName.data(), bodyName.size());
    const auto last = bytes.find_last_not_of(' ');
    bytes.erase(last == std::string::npos ? 0 : last + 1);
    return Cp1252ToUtf8(bytes);
}

std::array<unsigned char, kEnregOpSize> SerializeRecord(const OptionsRecord& r) {
    std::array<unsigned char, kEnregOpSize> bytes{};
    Packer p(bytes.data());
    p.i32(r.number);
    p.f64(r.ascension);
    p.f64(r.declination);
    p.text(r.bodyName);
    p.f64(r.reserved52);
    p.f64(r.bodyRadius);
    p.f64(r.opaque);
    for (double d : r.reservedDoubles) p.f64(d);
    for (const auto& t : r.reservedTexts) p.text(t);
    for (std::int32_t i : r.reservedInts) p.i32(i);
    return bytes;
}

OptionsRecord DeserializeRecord(const unsigned char* bytes) {
    OptionsRecord r;
    Unpacker u(bytes);
    r.number = u.i32();
    r.ascension = u.f64();
    r.declination = u.f64();
    u.text(r.bodyName);
    r.reserved52 = u.f64();
    r.bodyRadius = u.f64();
    r.opaque = u.f64();
    for (double& d : r.reservedDoubles) d = u.f64();
    for (auto& t : r.reservedTexts) u.text(t);
    for (std::int32_t& i : r.reservedInts) i = u.i32();
    return r;
}

void SetRecordFolder(const fs::path& folder) {
    g_recordFolder = folder;
}

const fs::path& RecordFolder() {
    return g_recordFolder;
}

fs::path RecordFilePath(double fileNumber) {
    if (!isOptionsFile(fileNumber)) return {};
    return g_recordFolder.empty() ? fs::path(kRecordFileName) : g_recordFolder / kRecordFileName;
}

void BorneEnreg(double count, double& recordNumber) {
    if (recordNumber < 1) {
        recordNumber = 1;
    } else if (recordNumber > count) {
        recordNumber = count;
    }
}

void EsEnreg(double fileNumber, double recordNumber) {
    auto fault = [](const std::string& why) { AlerteCalcul("_EsEnregfaute " + why); };
    if (!isOptionsFile(fileNumber)) return fault("no record file has this number");
    const fs::path path = RecordFilePath(fileNumber);
    std::FILE* f = openRecordFile(path);
    if (!f) return fault("cannot open " + path.string() + ": " + std::strerror(errno));

    // A partial tail is not a record: the next append writes over it.
    const double countBefore = static_cast<double>(fileLength(path) / kEnregOpSize);
    double number = countBefore + 1;
    if (recordNumber != 0) {
        number = std::nearbyint(recordNumber < 1 ? 1.0 : recordNumber);
        if (!(number <= std::numeric_limits<std::int32_t>::max())) {
            std::fclose(f);
            return fault("record number out of range");
        }
    }
    if (number > std::numeric_limits<std::int32_t>::max()) {
        std::fclose(f);
        return fault("record file full");
    }
    OptionsRecord record = EnregOp;
    record.number = static_cast<std::int32_t>(number);
    const auto bytes = SerializeRecord(record);
    bool ok = seekTo(f, static_cast<std::uint64_t>(number - 1) * kEnregOpSize);
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) return fault("cannot write " + path.string());

    EnregOp.number = record.number;
    DernierEnregOp = number;
    NumEnreg = recordNumber != 0 ? countBefore : number;
    NbEnreg[kFichOpNumber - 1] = NumEnreg;
}

void EslireDd(double& recordNumber, double& lastRecord, double fileNumber) {
    if (!isOptionsFile(fileNumber)) {
        lastRecord = -1;
        return;
    }
    const fs::path path = RecordFilePath(fileNumber);
    std::FILE* f = openRecordFile(path);
    if (!f) {
        lastRecord = -1;
        return;
    }
    const std::uint64_t length = fileLength(path);
    if (length == 0 || (recordNumber == 0 && LireDernier == 0)) {
        lastRecord = -1;
        std::fclose(f);
        return;
    }
    const double count = static_cast<double>(length / kEnregOpSize);
    NbEnreg[kFichOpNumber - 1] = count;
    if (count < 1) { // only a partial record: nothing whole to read
        lastRecord = -1;
        std::fclose(f);
        return;
    }
    if (LireDernier > 0) {
        recordNumber = lastRecord;
    } else {
        lastRecord = recordNumber;
    }
    if (!std::isfinite(recordNumber)) recordNumber = 1;
    BorneEnreg(count, recordNumber);
    recordNumber = std::nearbyint(recordNumber);

    std::array<unsigned char, kEnregOpSize> bytes{};
    if (seekTo(f, static_cast<std::uint64_t>(recordNumber - 1) * kEnregOpSize) &&
        std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size())
        EnregOp = DeserializeRecord(bytes.data());
    std::fclose(f);
}

void ResetRecordStore() {
    NbEnreg.fill(0);
    NumEnreg = 0;
    FichOp = 0;
    DernierEnregOp = 0;
    LireDernier = 0;
    EnregOp = OptionsRecord{};
    g_recordFolder.clear();
}

} // namespace gyro
