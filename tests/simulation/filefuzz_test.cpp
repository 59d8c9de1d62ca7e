// Hostile versions of every file the program reads: cut short, scrambled, with other line ends,
// huge lines or byte-order marks. Nothing may crash, no file may change that the program did not
// mean to write, and a memo that loses its examples must be kept aside and logged.
#include "numerics/errorreport.h"
#include "settings/kelmiravini.h"
#include "settings/recordstore.h"
#include "settings/zefronini.h"
#include "simulation/casememo.h"

#include "simulation/caseslots.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace gyro {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

// The folder's files and their bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadBytes(entry.path());
    return files;
}

// Deterministic mutations of a valid file.
class Mutator {
public:
    explicit Mutator(unsigned seed) : m_random(seed) {}

    std::string mutate(const std::string& valid, int kind) {
        std::string s = valid;
        switch (kind % 6) {
        case 0: // cut short
            s.resize(pick(s.size() + 1));
            break;
        case 1: // random bytes, NULs included
            for (std::size_t n = 1 + pick(20); n > 0 && !s.empty(); --n)
                s[pick(s.size())] = static_cast<char>(pick(256));
            break;
        case 2: { // other line ends: CR alone, LF alone, or a mixture
            std::string out;
            const int style = static_cast<int>(pick(3));
            for (std::size_t i = 0; i < s.size(); ++i) {
                if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
                    const int use = style == 2 ? static_cast<int>(pick(3)) : style;
                    out += use == 0 ? "\r" : use == 1 ? "\n" : "\r\n";
                    ++i;
                } else {
                    out.push_back(s[i]);
                }
            }
            s = out;
            break;
        }
        case 3: // a huge line
            s.insert(pick(s.size() + 1), std::string(300000 + pick(1000), 'x'));
            break;
        case 4: // a byte-order mark (UTF-8 or UTF-16)
            s.insert(0, pick(2) == 0 ? "\xEF\xBB\xBF" : "\xFF\xFE");
            break;
        default: // a random run of bytes inserted
            s.insert(pick(s.size() + 1), randomBytes(1 + pick(64)));
            break;
        }
        return s;
    }

private:
    std::size_t pick(std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    std::string randomBytes(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(pick(256)));
        return s;
    }
    std::mt19937 m_random;
};

constexpr int kMutations = 80; // per file

TEST(FileFuzz, MemoLoadsWhatItCanAndNeverLosesAnExample) {
    TempFolder dir;
    {
        CaseMemo memo(dir.path());
        CaseModel model;
        for (const char* x : {"0.01", "0.02", "0.03"}) {
            model.setText(BoxFamily::Texte3, slot::kX, x);
            double n = 1e9;
            memo.save(n, model);
        }
    }
    const std::string valid = ReadBytes(dir / CaseMemo::kFileName);
    Mutator mutator(1);
    for (int k = 0; k < kMutations; ++k) {
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        const std::string bytes = mutator.mutate(valid, k);
        WriteBytes(dir / CaseMemo::kFileName, bytes);
        ErrorReport::instance().reset();
        CaseMemo memo(dir.path());
        CaseModel model;
        double n = 2;
        memo.load(n, model);
        EXPECT_EQ(snapshot(dir.path()).size(), 1u) << "loading writes nothing, mutation " << k;
        EXPECT_EQ(ReadBytes(dir / CaseMemo::kFileName), bytes) << k;
        const double before = memo.count();
        EXPECT_LE(before, 4) << k;
        n = 1e9;
        memo.save(n, model);
        const auto files = snapshot(dir.path());
        if (before > 0 || bytes.empty()) {
            EXPECT_EQ(files.size(), 1u) << k;
            EXPECT_EQ(memo.count(), before + 1) << k;
        } else {
            // No example recognised: the file is kept aside whole, and the log says so.
            ASSERT_EQ(files.size(), 2u) << k;
            EXPECT_EQ(files.at("ZEFRON.TMP.bak"), bytes) << k;
            ASSERT_FALSE(ErrorReport::instance().lines().empty()) << k;
            EXPECT_NE(ErrorReport::instance().lines().back().find("ZEFRON.TMP.bak"),
                      std::string::npos);
        }
    }
    ErrorReport::instance().reset();
}

TEST(FileFuzz, SettingsAndRecordFilesAreReadWithoutWritingAnything) {
    TempFolder dir;
    const std::string zefron = ZefronFileBytes(ZefronCreationValues("Site", "/p", "/f"));
    const std::string kelmirav = KelmiravFileBytes({"prog", "book.xls", "Feuille1", "A1:B9"});
    ResetRecordStore();
    SetRecordFolder(dir.path());
    for (int r = 0; r < 3; ++r) EsEnreg(7, 0);
    const std::string records = ReadBytes(RecordFilePath(7));
    ASSERT_FALSE(records.empty());
    Mutator mutator(2);
    for (int k = 0; k < kMutations; ++k) {
        WriteBytes(dir / "Zefron.ini", mutator.mutate(zefron, k));
        WriteBytes(KelmiravPath(dir.path()), mutator.mutate(kelmirav, k));
        WriteBytes(RecordFilePath(7), mutator.mutate(records, k));
        const auto before = snapshot(dir.path());

        const ZefronResult z = ReadZefron(dir.path());
        EXPECT_TRUE(z.outcome == ZefronOutcome::Read || !z.message.empty()) << k;
        CreateOrReadZefron(dir.path(), "/p", "/f", false);
        KelmiravSettings settings;
        ReadKelmirav(KelmiravPath(dir.path()), settings);
        double number = 1 + k % 4, last = 0;
        EslireDd(number, last, 7);
        EXPECT_EQ(snapshot(dir.path()), before) << "mutation " << k;
    }
    ResetRecordStore();
}

} // namespace
} // namespace gyro
