// The example memo: appending, replacing, loading, and files written by hand or cut short.
#include "simulation/casememo.h"

#include "numerics/errorreport.h"
#include "simulation/caseslots.h"
#include "support/filesizelimit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace gyro {
namespace {

class CaseMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder =
            std::filesystem::temp_directory_path() /
            ("gyro_memo_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        ErrorReport::instance().reset();
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string readFile() const {
        std::ifstream in(m_folder / CaseMemo::kFileName, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    void writeFile(const std::string& bytes) const {
        std::ofstream out(m_folder / CaseMemo::kFileName, std::ios::binary);
        out << bytes;
    }
    static std::string record(const std::string& marker, const std::string& x) {
        std::string r = marker + "\r\n" + x + "\r\n";
        for (int k = 2; k < CaseMemo::kRecordLines; ++k) r += "\r\n";
        return r;
    }

    std::filesystem::path m_folder;
};

TEST_F(CaseMemoTest, SavesAppendAndReplaceWithExactRecordLayout) {
    CaseMemo memo(m_folder);
    CaseModel model;
    model.setText(BoxFamily::Texte3, slot::kExampleMax, "0");
    double n =
        model.Texte3Value(slot::kExampleMax) + 1; // a new example number, as the run button does
    memo.Memo("sauve", n, model);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(model.Texte3(slot::kExampleNumber), "1");
    EXPECT_EQ(model.Texte3(slot::kExampleMax), "1");
    n = 99; // any number above the count appends
    model.setText(BoxFamily::Texte3, slot::kX, "0.5");
    memo.Memo("sauve", n, model);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(model.Texte3(slot::kExampleMax), "2");

    const std::string bytes = readFile();
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t pos; (pos = bytes.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(bytes.substr(start, pos - start));
    EXPECT_EQ(start, bytes.size()) << "every line ends with CR LF";
    ASSERT_EQ(lines.size(), 2u * CaseMemo::kRecordLines);
    EXPECT_EQ(lines[0], "New_Record_Data_Gyrotrace");
    EXPECT_EQ(lines[1], "0.0425");          // Texte3(0)
    EXPECT_EQ(lines[10], "Comment\xB6");    // Texte3(9): the line break survives as a mark
    EXPECT_EQ(lines[22 + 2], "5 000");      // Texte4(2)
    EXPECT_EQ(lines[43 + 2], "0.015");      // Texte6(2)
    EXPECT_EQ(lines[64], " .0000001     "); // Texte7
    EXPECT_EQ(lines[65 + 2], "True");       // Option4(2), the 1/rho field
    EXPECT_EQ(lines[65 + 0], "False");
    EXPECT_EQ(lines[86 + 3], "0"); // Coche1(3)
    EXPECT_EQ(lines[107 + 1], "0.5");

    // Replacing keeps the count.
    n = 1;
    model.setText(BoxFamily::Texte3, slot::kX, "0.25");
    memo.Memo("sauve", n, model);
    EXPECT_EQ(memo.count(), 2);
    const std::string replaced = readFile();
    EXPECT_EQ(replaced.substr(0, 33), "New_Record_Data_Gyrotrace\r\n0.25\r\n");
    EXPECT_EQ(replaced.substr(replaced.size() - 200), bytes.substr(bytes.size() - 200))
        << "the second example is untouched";
}

TEST_F(CaseMemoTest, LoadsClampedNumbersAndRestoresTheCase) {
    CaseModel saved;
    {
        CaseMemo memo(m_folder);
        for (const char* x : {"1", "2", "3"}) {
            saved.setText(BoxFamily::Texte3, slot::kX, x);
            saved.setText(BoxFamily::Texte3, slot::kComment,
                          std::string("Dipôle, two\r\nlines ") + x);
            saved.select(BoxFamily::Option4, slot::kDipole);
            saved.setState(BoxFamily::Coche1, slot::kFieldLines, 1);
            double n = 1000;
            memo.Memo("sauve", n, saved);
        }
    }
    // Texts are stored in Windows-1252, like the program's other text files.
    EXPECT_NE(readFile().find("Dip\xF4le, two\xB6lines 1"), std::string::npos);
    CaseMemo memo(m_folder); // a fresh program start: the file is scanned
    struct Row {
        double asked;
        double loaded;
    };
    for (const Row row : {Row{2, 2}, Row{5, 3}, Row{0, 3}, Row{-4, 3}, Row{1, 1}}) {
        CaseModel model;
        double n = row.asked;
        const auto selector = memo.Memo("charge", n, model);
        EXPECT_EQ(n, row.loaded) << "asked " << row.asked;
        EXPECT_TRUE(selector.moved);
        EXPECT_EQ(selector.maximum, 3);
        EXPECT_EQ(selector.value, row.loaded);
        EXPECT_EQ(model.Texte3Value(slot::kX), row.loaded);
        EXPECT_EQ(model.Texte3(slot::kComment), "Dipôle, two\r\nlines " + model.Texte3(slot::kX));
        EXPECT_EQ(model.shape(), 3);
        EXPECT_EQ(model.Coche1(slot::kFieldLines), 1);
        EXPECT_EQ(model.Texte3(slot::kExampleNumber), model.Texte3(slot::kX));
        EXPECT_EQ(model.Texte3(slot::kExampleMax), "3");
    }
}

TEST_F(CaseMemoTest, MissingOrTinyFileLoadsNothingAndSetsNumberOne) {
    for (const std::string& content : {std::string(), std::string("abc")}) {
        if (!content.empty()) writeFile(content);
        CaseMemo memo(m_folder);
        CaseModel model;
        double n = 4;
        EXPECT_FALSE(memo.Memo("charge", n, model).moved);
        EXPECT_EQ(model.Texte3(slot::kExampleNumber), "1");
        EXPECT_EQ(model.Texte3(slot::kX), "0.0425") << "the case is untouched";
    }
}

TEST_F(CaseMemoTest, ForeignLinesAndTruncatedRecordsStillLoadWholeRecords) {
    std::string truncated = "255memo_data_zefron\r\n0.3\r\nonly a few lines\r\n";
    writeFile("some foreign header\r\n" + record(CaseMemo::kMarker, "0.1") + "a stray line\n" +
              record("255memo_data_zefron", "0.2") + truncated);
    CaseMemo memo(m_folder);
    CaseModel model;
    for (double want : {1.0, 2.0, 3.0}) {
        double n = want;
        memo.Memo("charge", n, model);
        EXPECT_EQ(n, want);
        EXPECT_DOUBLE_EQ(model.Texte3Value(slot::kX), want / 10);
    }
    EXPECT_EQ(model.Texte3(slot::kX + 1), "only a few lines");
    EXPECT_EQ(model.Texte3(slot::kX + 2), "") << "missing lines of a cut record read empty";

    // Saving rewrites every record whole, with the writer's marker; the lines before the first
    // record are the user's and stay in front.
    double n = 3;
    memo.Memo("sauve", n, model);
    const std::string bytes = readFile();
    std::size_t lines = 0;
    for (std::size_t p = 0; (p = bytes.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
    EXPECT_EQ(lines, 1 + 3u * CaseMemo::kRecordLines);
    EXPECT_EQ(bytes.rfind("some foreign header\r\n" + std::string(CaseMemo::kMarker), 0), 0u);
    EXPECT_EQ(bytes.find("255memo_data_zefron"), std::string::npos);
}

TEST_F(CaseMemoTest, FailedSaveKeepsTheStoredExamples) {
    writeFile(record(CaseMemo::kMarker, "0.1"));
    const std::string before = readFile();
    CaseMemo memo(m_folder);
    CaseModel model;
    double n = 2;
    {
        test::FileSizeLimit full(before.size()); // the disk fills up during the save
        memo.Memo("sauve", n, model);
    }
    EXPECT_FALSE(memo.lastError().empty());
    EXPECT_EQ(readFile(), before);
    ASSERT_FALSE(ErrorReport::instance().lines().empty());
    EXPECT_NE(ErrorReport::instance().lines().back().find("_Memofaute"), std::string::npos);
}

TEST_F(CaseMemoTest, GrowsPastOneHundredEightySixExamples) {
    CaseMemo memo(m_folder);
    CaseModel model;
    for (int k = 0; k < 190; ++k) {
        double n = 1e9;
        memo.Memo("sauve", n, model);
    }
    EXPECT_EQ(memo.count(), 190);
    CaseMemo reread(m_folder);
    double n = 190;
    reread.Memo("charge", n, model);
    EXPECT_EQ(n, 190);
    EXPECT_EQ(model.Texte3(slot::kExampleMax), "190");
}

TEST_F(CaseMemoTest, AnyLineEndAndAByteOrderMarkKeepEveryExample) {
    // Three examples as another editor may have stored them; a run then adds a fourth.
    struct Form {
        const char* name;
        const char* lineEnd;
        const char* head;
    };
    const Form forms[] = {{"CR only", "\r", ""},
                          {"LF only", "\n", ""},
                          {"CR LF with a byte-order mark", "\r\n", "\xEF\xBB\xBF"},
                          {"CR only with a byte-order mark", "\r", "\xEF\xBB\xBF"}};
    for (const Form& form : forms) {
        std::string bytes = form.head;
        for (const char* x : {"0.01", "0.02", "0.03"}) {
            bytes += std::string(CaseMemo::kMarker) + form.lineEnd + x + form.lineEnd;
            for (int k = 2; k < CaseMemo::kRecordLines; ++k) bytes += form.lineEnd;
        }
        writeFile(bytes);
        CaseMemo memo(m_folder);
        CaseModel model;
        for (int k = 1; k <= 3; ++k) {
            double n = k;
            ASSERT_TRUE(memo.Memo("charge", n, model).moved) << form.name;
            EXPECT_EQ(model.Texte3(slot::kX), "0.0" + std::to_string(k)) << form.name;
        }
        EXPECT_EQ(memo.count(), 3) << form.name;
        model.setText(BoxFamily::Texte3, slot::kX, "0.04");
        double n = 1e9;
        memo.Memo("sauve", n, model);
        EXPECT_EQ(n, 4) << form.name;
        CaseMemo reread(m_folder);
        for (int k = 1; k <= 4; ++k) {
            double m = k;
            reread.Memo("charge", m, model);
            EXPECT_EQ(model.Texte3(slot::kX), "0.0" + std::to_string(k)) << form.name;
        }
        EXPECT_EQ(readFile().rfind("\xEF\xBB\xBF", 0), std::string::npos) << form.name;
    }
}

TEST_F(CaseMemoTest, UnreadableMemoIsKeptAsideBeforeTheFirstSave) {
    // Content in which no example is recognised is not overwritten: each save that finds such a
    // file moves it to a name no earlier copy holds, and the log says so.
    const std::string foreign[] = {"my own notes\r\nabout runs\r\n", "other notes\n"};
    const char* expectedName[] = {"ZEFRON.TMP.bak", "ZEFRON.TMP.1.bak"};
    for (int k = 0; k < 2; ++k) {
        writeFile(foreign[k]);
        CaseMemo memo(m_folder);
        CaseModel model;
        double n = 1;
        memo.Memo("sauve", n, model);
        EXPECT_EQ(memo.keptAside().filename(), expectedName[k]);
        std::ifstream in(m_folder / expectedName[k], std::ios::binary);
        std::stringstream kept;
        kept << in.rdbuf();
        EXPECT_EQ(kept.str(), foreign[k]);
        EXPECT_EQ(memo.count(), 1);
        ASSERT_FALSE(ErrorReport::instance().lines().empty());
        EXPECT_NE(ErrorReport::instance().lines().back().find(expectedName[k]), std::string::npos);
    }
    // The first copy was not overwritten by the second.
    std::ifstream first(m_folder / "ZEFRON.TMP.bak", std::ios::binary);
    std::stringstream kept;
    kept << first.rdbuf();
    EXPECT_EQ(kept.str(), foreign[0]);
}

} // namespace
} // namespace gyro
