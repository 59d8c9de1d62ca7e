// The view-option record store: byte layout, append / replace / clamp, partial tails, failures.
#include "numerics/errorreport.h"
#include "settings/recordstore.h"
#include "support/testfolder.h"

#include <cstring>
#include <gtest/gtest.h>

namespace gyro {

using test::AskerScope;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

namespace {

/// A store pointed at a fresh folder, as at program start; put back afterwards.
class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRecordStore();
        SetRecordFolder(m_dir.path());
    }
    void TearDown() override { ResetRecordStore(); }
    std::filesystem::path file() const { return m_dir / "miravop.set"; }
    std::string bytes() const { return ReadBytes(file()); }
    /// Appends n records whose ascension is 10 × their number.
    void appendRecords(int n) {
        for (int i = 0; i < n; ++i) {
            EnregOp.ascension = 10.0 * (NbEnreg[6] + 1);
            EsEnreg(7, 0);
        }
    }
    std::int32_t intAt(std::size_t offset) const {
        const std::string b = bytes();
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(b[offset + static_cast<std::size_t>(i)]);
        return static_cast<std::int32_t>(v);
    }
    double doubleAt(std::size_t offset) const {
        const std::string b = bytes();
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(b[offset + static_cast<std::size_t>(i)]);
        double d;
        std::memcpy(&d, &v, sizeof d);
        return d;
    }

    TempFolder m_dir;
};

} // namespace

TEST_F(RecordStoreTest, RecordBytesFollowTheLayout) {
    EnregOp.ascension = 123.25;
    EnregOp.declination = -45.5;
    EnregOp.setBodyName("  terre dipôle ");
    EnregOp.reserved52 = 0;
    EnregOp.bodyRadius = 6378140;
    EnregOp.opaque = 1;
    EnregOp.reservedDoubles[9] = 2.5;
    std::memcpy(EnregOp.reservedTexts[4].data(), "tail", 4);
    EnregOp.reservedInts[0] = -2;
    EnregOp.reservedInts[9] = 0x01020304;
    EsEnreg(7, 0);

    const std::string b = bytes();
    ASSERT_EQ(b.size(), 356u);
    EXPECT_EQ(b.substr(0, 4), std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(b.substr(4, 8), std::string("\x00\x00\x00\x00\x00\xD0\x5E\x40", 8)); // 123.25
    EXPECT_EQ(doubleAt(12), -45.5);
    EXPECT_EQ(b.substr(20, 32), "TERRE DIP\xD4LE" + std::string(20, ' '));
    EXPECT_EQ(doubleAt(52), 0.0);
    EXPECT_EQ(doubleAt(60), 6378140.0);
    EXPECT_EQ(doubleAt(68), 1.0);
    EXPECT_EQ(doubleAt(76 + 9 * 8), 2.5);
    EXPECT_EQ(b.substr(156 + 4 * 32, 4), "tail");
    EXPECT_EQ(intAt(316), -2);
    EXPECT_EQ(b.substr(316 + 9 * 4, 4), std::string("\x04\x03\x02\x01", 4));

    // Reading the record back gives every field, the name in UTF-8.
    const OptionsRecord written = EnregOp;
    EnregOp = OptionsRecord{};
    double r = 1, last = 0;
    EslireDd(r, last, 7);
    EXPECT_EQ(EnregOp, written);
    EXPECT_EQ(EnregOp.bodyNameText(), "TERRE DIPÔLE");
}

TEST_F(RecordStoreTest, LongNamesAreCutToThirtyTwoBytes) {
    EnregOp.setBodyName(std::string(40, 'x'));
    EXPECT_EQ(std::string(EnregOp.bodyName.data(), 32), std::string(32, 'X'));
}

TEST_F(RecordStoreTest, AppendToMissingFileMakesRecordOne) {
    EsEnreg(7, 0);
    EXPECT_EQ(bytes().size(), 356u);
    EXPECT_EQ(intAt(0), 1);
    EXPECT_EQ(NbEnreg[6], 1);
    EXPECT_EQ(DernierEnregOp, 1);
    EXPECT_EQ(NumEnreg, 1);
    EXPECT_EQ(EnregOp.number, 1);
}

TEST_F(RecordStoreTest, ReplacingKeepsTheCount) {
    struct Case {
        double request;
        double replaced;
    };
    for (const Case c : {Case{3, 3}, Case{-2, 1}, Case{0.4, 1}, Case{5, 5}}) {
        SetUp();
        std::filesystem::remove(file());
        appendRecords(5);
        ASSERT_EQ(NbEnreg[6], 5);
        EnregOp.ascension = 999;
        EsEnreg(7, c.request);
        EXPECT_EQ(bytes().size(), 1780u) << c.request;
        const std::size_t at = static_cast<std::size_t>(c.replaced - 1) * 356;
        EXPECT_EQ(intAt(at), c.replaced) << c.request;
        EXPECT_EQ(doubleAt(at + 4), 999) << c.request;
        EXPECT_EQ(NbEnreg[6], 5) << c.request;
        EXPECT_EQ(NumEnreg, 5) << c.request;
        EXPECT_EQ(DernierEnregOp, c.replaced) << c.request;
        // The neighbours are untouched.
        if (c.replaced < 5) {
            EXPECT_EQ(doubleAt(at + 356 + 4), 10 * (c.replaced + 1));
        }
    }
}

TEST_F(RecordStoreTest, ReadClampsAndAnswersMinusOneForNothing) {
    appendRecords(5);
    struct Case {
        double request, lireDernier, dernier;
        double expectRead, expectLast; // expectRead 0: nothing is read
    };
    const Case cases[] = {
        {9, 0, 0, 5, 9},   // clamped to the last record; the request is remembered
        {-3, 0, 0, 1, -3}, // clamped to the first
        {2, 0, 0, 2, 2},   //
        {0, 0, 4, 0, -1},  // record 0 without last-record mode: nothing read
        {0, 1, 0, 1, 0},   // last-record mode at start reads record 1
        {2, 1, 4, 4, 4},   // last-record mode reads DernierEnregOp
        {2, 1, -1, 1, -1}, // after a failed read, record 1
    };
    for (const Case& c : cases) {
        LireDernier = c.lireDernier;
        DernierEnregOp = c.dernier;
        EnregOp = OptionsRecord{};
        double r = c.request;
        EslireDd(r, DernierEnregOp, 7);
        EXPECT_EQ(r, c.expectRead) << c.request << " " << c.lireDernier;
        EXPECT_EQ(DernierEnregOp, c.expectLast) << c.request << " " << c.lireDernier;
        if (c.expectRead != 0) {
            EXPECT_EQ(EnregOp.number, c.expectRead);
            EXPECT_EQ(EnregOp.ascension, 10 * c.expectRead);
        } else {
            EXPECT_EQ(EnregOp, OptionsRecord{}); // buffer untouched
        }
        EXPECT_EQ(NbEnreg[6], 5);
    }
}

TEST_F(RecordStoreTest, EmptyOrMissingFileReadsNothing) {
    double r = 1, last = 3;
    EslireDd(r, last, 7);
    EXPECT_EQ(last, -1);
    EXPECT_TRUE(std::filesystem::exists(file())); // the missing file is created empty
    last = 3;
    EslireDd(r, last, 7);
    EXPECT_EQ(last, -1);
}

TEST_F(RecordStoreTest, PartialTailIsNotCountedAndIsOverwritten) {
    WriteBytes(file(), std::string(400, '\x7F'));
    double r = 7, last = 0;
    EslireDd(r, last, 7);
    EXPECT_EQ(NbEnreg[6], 1);
    EXPECT_EQ(r, 1);
    EsEnreg(7, 0);
    EXPECT_EQ(bytes().size(), 712u);
    EXPECT_EQ(intAt(356), 2);
    EXPECT_EQ(NbEnreg[6], 2);

    // A file shorter than one record holds nothing to read; an append then writes record 1.
    WriteBytes(file(), std::string(100, '\x7F'));
    last = 0;
    r = 1;
    EslireDd(r, last, 7);
    EXPECT_EQ(last, -1);
    EsEnreg(7, 0);
    EXPECT_EQ(bytes().size(), 356u);
    EXPECT_EQ(intAt(0), 1);
}

TEST_F(RecordStoreTest, ForeignAndHugeFilesAreReadWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 356 * 3; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    WriteBytes(file(), garbage);
    WriteBytes(m_dir / "other.txt", "keep");
    double r = 2, last = 0;
    EslireDd(r, last, 7);
    EXPECT_EQ(r, 2);
    std::array<unsigned char, 356> second{};
    std::memcpy(second.data(), garbage.data() + 356, 356);
    EXPECT_EQ(SerializeRecord(EnregOp), second); // every byte of the record taken as it is
    EXPECT_EQ(bytes(), garbage);                 // reading never writes
    EXPECT_EQ(ReadBytes(m_dir / "other.txt"), "keep");

    // A large file: only the record asked for is read.
    std::filesystem::resize_file(file(), 356ull * 200000 + 17);
    r = 1e9;
    EslireDd(r, last, 7);
    EXPECT_EQ(r, 200000);
    EXPECT_EQ(NbEnreg[6], 200000);
}

TEST_F(RecordStoreTest, FailingWriteIsLoggedAndChangesNothing) {
    AskerScope scope(nullptr);
    std::filesystem::create_directory(file()); // the record file cannot be opened
    appendRecords(0);
    NbEnreg[6] = 4;
    NumEnreg = 4;
    DernierEnregOp = 2;
    EnregOp.ascension = 77;
    const OptionsRecord before = EnregOp;
    EsEnreg(7, 0);
    EsEnreg(7, 3);
    const auto& lines = ErrorReport::instance().lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("_EsEnregfaute"), std::string::npos);
    EXPECT_EQ(NbEnreg[6], 4);
    EXPECT_EQ(NumEnreg, 4);
    EXPECT_EQ(DernierEnregOp, 2);
    EXPECT_EQ(EnregOp, before);

    double r = 1, last = 2;
    EslireDd(r, last, 7); // reading fails silently
    EXPECT_EQ(last, -1);
    EXPECT_EQ(lines.size(), 2u);
}

TEST_F(RecordStoreTest, ReservedFieldsCarryTheLastRecordRead) {
    EnregOp.reservedInts[3] = 42;
    EsEnreg(7, 0);
    EnregOp = OptionsRecord{};
    double r = 1, last = 0;
    EslireDd(r, last, 7);
    EnregOp.ascension = 5;
    EsEnreg(7, 0);
    EXPECT_EQ(intAt(356 + 316 + 12), 42);
}

TEST(BorneEnreg, ClampsIntoOneToCount) {
    const double cases[][3] = {{5, -2, 1}, {5, 0, 1}, {5, 1, 1}, {5, 5, 5}, {5, 9, 5}, {5, 3, 3}};
    for (const auto& c : cases) {
        double r = c[1];
        BorneEnreg(c[0], r);
        EXPECT_EQ(r, c[2]) << c[1];
    }
}

} // namespace gyro
