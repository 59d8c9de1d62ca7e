// "miravop.set": the options window's view-option records, 356 bytes each, and their store.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace gyro {

/// Length of one record on disk [bytes].
inline constexpr std::size_t kEnregOpSize = 356;
/// Stem and extension of the options record file.
inline constexpr const char* kRecordFileName = "miravop.set";
/// File number of the options record file.
inline constexpr int kFichOpNumber = 7;

/// One view-option record. On disk, little-endian, no padding:
///   0 int32 record number, 4 double right ascension [deg], 12 double declination [deg],
///   20 text[32] main body name (upper case, blank-padded, Windows-1252), 52 double reserved,
///   60 double main body radius [m] of the hidden-point test, 68 double opaque flag (0/1),
///   76 10 doubles reserved, 156 5 texts[32] reserved, 316 10 int32 reserved.
struct OptionsRecord {
    using Text32 = std::array<char, 32>;

    std::int32_t number = 0;
    double ascension = 0;   ///< right ascension of the view [deg]
    double declination = 0; ///< declination of the view [deg]
    Text32 bodyName{};      ///< raw Windows-1252 bytes, blank-padded
    double reserved52 = 0;
    double bodyRadius = 0; ///< radius of the main body [m], copied at save time
    double opaque = 0;     ///< 1 when "Astre Opaque" is ticked, else 0
    std::array<double, 10> reservedDoubles{};
    std::array<Text32, 5> reservedTexts{};
    std::array<std::int32_t, 10> reservedInts{};

    /// Stores a name: upper-cased, trimmed, converted to Windows-1252, cut to 32 bytes and
    /// padded with blanks.
    void setBodyName(const std::string& utf8);
    /// The stored name in UTF-8 without its padding blanks.
    std::string bodyNameText() const;

    bool operator==(const OptionsRecord&) const = default;
};

/// The record's 356 bytes, field by field.
std::array<unsigned char, kEnregOpSize> SerializeRecord(const OptionsRecord& record);
/// The record held in 356 bytes.
OptionsRecord DeserializeRecord(const unsigned char* bytes);

/// Number of whole records found in the record file of each file number 1..15 when it was last
/// opened, kept at index file number - 1.
inline std::array<double, 15> NbEnreg{};
/// Record number of the last write; after EsEnreg the number of records in the file.
inline double NumEnreg = 0;
/// File number of the options record file: 0 until the options window first needs it, then 7.
inline double FichOp = 0;
/// Number of the options record last written or read; 0 at start, -1 after a read found nothing.
inline double DernierEnregOp = 0;
/// When greater than 0, EslireDd reads record DernierEnregOp instead of the requested one.
inline double LireDernier = 0;
/// The record buffer shared by reading and writing.
inline OptionsRecord EnregOp;

/// Folder of the record file (empty: the current folder). Tests point it at a temporary folder.
void SetRecordFolder(const std::filesystem::path& folder);
const std::filesystem::path& RecordFolder();
/// Full path of the record file of a file number (only 7 has one: "miravop.set").
std::filesystem::path RecordFilePath(double fileNumber);

/// Clamps a record number into 1 .. count (below 1 gives 1, above count gives count).
void BorneEnreg(double count, double& recordNumber);

/// Writes EnregOp into the record file. Record number 0 appends; any other number replaces that
/// record (below 1: record 1). Afterwards EnregOp's number, DernierEnregOp and NumEnreg name the
/// record written and NbEnreg holds the count: the new one after an append, the unchanged one
/// after a replacement. A failing file operation is logged as "_EsEnregfaute"; the store's
/// numbers and the buffer are then left as they were.
void EsEnreg(double fileNumber, double recordNumber);

/// Reads one record into EnregOp. Pass DernierEnregOp as lastRecord. With LireDernier > 0 the
/// record lastRecord is read; otherwise lastRecord becomes the requested number. The number read
/// is clamped into the file's records and returned in recordNumber. When there is nothing to read
/// (missing or empty file, no whole record, or record 0 asked without LireDernier) lastRecord
/// becomes -1 and the buffer is untouched. Failures are silent.
void EslireDd(double& recordNumber, double& lastRecord, double fileNumber);

/// Puts the store back as at program start (numbers 0, empty buffer, current folder).
void ResetRecordStore();

} // namespace gyro
