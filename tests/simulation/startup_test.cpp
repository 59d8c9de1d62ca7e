// Start-up: shared values, the first-start question, Zefron.ini creation and reading, paths.
#include "simulation/startup.h"

#include "numerics/errorreport.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace gyro {

using test::AskerScope;
using test::ReadBytes;
using test::ScriptedAsker;
using test::TempFolder;
using test::WriteBytes;

namespace {

/// Each test starts as a fresh program run and leaves none behind.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { ResetStartup(); }
    void TearDown() override { ResetStartup(); }
    std::string path(std::initializer_list<const char*> names) const {
        std::filesystem::path p = m_dir.path();
        for (const char* n : names) p /= n;
        return p.string();
    }
    TempFolder m_dir;
};

} // namespace

TEST(ShortPath, ShortensLongNamesBetweenBackslashes) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\Microsoft Office\\Office\\EXCEL.exe",
         "C:\\Progra~1\\Micros~1\\Office\\EXCEL.exe"},
        {"C:\\abcdefgh\\abcdefghi\\x.txt", "C:\\abcdefgh\\abcdef~1\\x.txt"},
        {"D:\\data\\verylongname.xls", "D:\\data\\verylo~1.xls"},
        {"D:\\data\\archive.tar.gz", "D:\\data\\archiv~1.gz"},
        {"D:\\data\\my.long.filename.txt", "D:\\data\\my.lon~1.txt"},
        {"D:\\Documents partagés", "D:\\Docume~1"},
        {" C:\\Program Files\\x", " C:\\Progra~1\\x"},
        {"no backslash at all", "no backslash at all"},
        {"C:\\", "C:\\"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        std::string p = in;
        ShortPath(p);
        EXPECT_EQ(p, out) << in;
    }
}

TEST(ShortPath, KeepsTheTailBeyondThirtyParts) {
    std::string p = "C:";
    for (int i = 0; i < 32; ++i) p += "\\longfoldername";
    ShortPath(p);
    std::string expected = "C:";
    for (int i = 0; i < 28; ++i) expected += "\\longfo~1";
    // The thirtieth part holds the rest, backslashes and all, shortened as a file name would be.
    expected += "\\longfo~1";
    EXPECT_EQ(p, expected);
}

TEST(Startup, YearHasAFloor) {
    const std::pair<int, std::string> cases[] = {
        {1970, "1989"}, {1988, "1989"}, {1989, "1989"}, {2026, "2026"}, {12345, "12345"}};
    for (const auto& [year, text] : cases) EXPECT_EQ(YearText(year), text) << year;
    EXPECT_GE(CurrentYear(), 2024);
}

TEST(Startup, JoinsStoredNamesWithTheSeparator) {
    const std::string sep(1, std::filesystem::path::preferred_separator);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"/home/u/w", "\\xls_doc", "/home/u/w" + sep + "xls_doc"},
        {"/home/u/w/", "\\data", "/home/u/w/data"},
        {"/home/u/w", "\\sub\\f.xls", "/home/u/w" + sep + "sub" + sep + "f.xls"},
        {"/home/u/w", "", "/home/u/w"},
        {"", "\\tmp", "tmp"},
    };
    for (const auto& [folder, name, joined] : cases)
        EXPECT_EQ(JoinStoredName(folder, name), joined) << folder << " + " << name;
}

TEST(Startup, FindsAnInstalledSpreadsheetProgram) {
    TempFolder a, b;
    auto install = [](const std::filesystem::path& file, bool executable) {
        WriteBytes(file, "#!/bin/sh\n");
        ::chmod(file.c_str(), executable ? 0755 : 0644);
    };
    install(a / "soffice", true);
    install(b / "localc", true);
    install(a / "libreoffice", false); // not executable: not a program
    const std::string list = "::" + a.path().string() + ":" + b.path().string();
    EXPECT_EQ(FindSpreadsheetProgram(list), (b / "localc").string());
    EXPECT_EQ(FindSpreadsheetProgram(a.path().string()), (a / "soffice").string());
    EXPECT_EQ(FindSpreadsheetProgram(""), "");
    EXPECT_EQ(FindSpreadsheetProgram("/nonexistent/folder"), "");
}

TEST_F(StartupTest, FirstStartAsksWritesAndSetsTheSharedValues) {
    ScriptedAsker asker({"Toulouse n° 3"});
    AskerScope scope(&asker);
    Ldim = 3;
    ez = {0, 0, 0};

    EXPECT_TRUE(Demarrage(m_dir.path()));
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title, "Initialisation Zefrons");
    EXPECT_EQ(asker.questions[0].defaultAnswer, "Ast166");
    EXPECT_EQ(asker.questions[0].prompt,
              "Vous utilisez le logiciel pour la première fois, ou bien vous avez détruit le "
              "fichier Mirav.ini. Comme les résultats dépendent de la base de données que vous "
              "allez vous constituer sur ce site, veuillez indiquer le Site de travail   Par "
              "exemple n° de station, etc..");

    EXPECT_EQ(Ldim, 8);
    EXPECT_EQ(ex, Vecteur3(1, 0, 0));
    EXPECT_EQ(ey, Vecteur3(0, 1, 0));
    EXPECT_EQ(ez, Vecteur3(0, 0, 1));
    EXPECT_EQ(SautLigne, "\r\n");
    EXPECT_EQ(Ligne15.size(), 15u);
    EXPECT_EQ(Annee(), YearText(CurrentYear()));
    EXPECT_EQ(CleEnreg(), "__Zefrons_" + Annee() + "__");
    EXPECT_EQ(startupState().DemarrageFait, 1);

    EXPECT_EQ(Site().outcome, ZefronOutcome::Created);
    EXPECT_EQ(Site().items.site, "Toulouse n° 3");
    EXPECT_EQ(Site().currentFolder, m_dir.path().string());
    EXPECT_EQ(Site().items.baseFolder, m_dir.path().string());
    const std::string file = ReadBytes(m_dir / "Zefron.ini");
    EXPECT_EQ(file, ZefronFileBytes(Site().items));
    EXPECT_EQ(file.substr(0, 15), "Toulouse n\xB0 3\r\n");

    // Full paths use the platform's separator.
    EXPECT_EQ(Site().docFolder, path({"xls_doc"}));
    EXPECT_EQ(Site().dataFolder, path({"data"}));
    EXPECT_EQ(Site().tmpFolder, path({"tmp"}));
    EXPECT_EQ(Site().mapDataFile, path({"data", "miravCar.dat"}));
    EXPECT_EQ(Site().lunarTmpFile, path({"data", "miravlun.tmp"}));
    EXPECT_EQ(Site().resultsDoc, path({"xls_doc", "results.doc"}));
    EXPECT_EQ(Site().resultsTmpSheet, path({"xls_doc", "res_tmp.xls"}));
    EXPECT_EQ(Site().mapSheet, path({"xls_doc", "miravCar.xls"}));
    EXPECT_EQ(Site().polarSheet, path({"xls_doc", "Miravpol.xls"}));
    EXPECT_EQ(Site().spreadsheetCommand, " " + Site().items.spreadsheetProgram);

    // Once per program run.
    EXPECT_FALSE(Demarrage(m_dir.path()));
    EXPECT_EQ(asker.questions.size(), 1u);

    // The next program run reads the file and asks nothing.
    const StartupSettings first = Site();
    ResetStartup();
    EXPECT_TRUE(Demarrage(m_dir.path()));
    EXPECT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(Site().outcome, ZefronOutcome::Read);
    EXPECT_EQ(Site().items, first.items);
    EXPECT_EQ(Site().polarSheet, first.polarSheet);
    EXPECT_TRUE(ErrorReport::instance().lines().empty());
}

TEST_F(StartupTest, CancelGivesAnEmptySiteLine) {
    ScriptedAsker asker({""});
    AskerScope scope(&asker);
    Demarrage(m_dir.path());
    EXPECT_EQ(Site().items.site, "");
    EXPECT_EQ(ReadBytes(m_dir / "Zefron.ini").substr(0, 2), "\r\n");
    ResetStartup();
    Demarrage(m_dir.path());
    EXPECT_EQ(asker.questions.size(), 1u); // the file (over 100 bytes) is read, even with no site
    EXPECT_EQ(Site().items.site, "");
    EXPECT_EQ(Site().items.docFolder, "\\xls_doc");
}

TEST_F(StartupTest, ShortFileIsRewrittenFromItsStart) {
    WriteBytes(m_dir / "Zefron.ini", "Old\r\n" + std::string(93, '#') + "\r\n"); // 100 bytes
    ScriptedAsker asker({"New site"});
    AskerScope scope(&asker);
    Demarrage(m_dir.path());
    EXPECT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(ReadBytes(m_dir / "Zefron.ini"), ZefronFileBytes(Site().items));
    EXPECT_EQ(Site().items.site, "New site");
}

TEST_F(StartupTest, FileWrittenElsewhereIsRead) {
    const std::string windowsFile =
        "Ast166\r\n"
        "C:\\Program Files\\Microsoft Office\\Office\\EXCEL.exe\r\n"
        "C:\\Mirav\r\n\\xls_doc\r\n\\data\r\n\\tmp\r\n\\miravlun.tmp\r\n"
        "\\results.doc\r\n\\res_tmp.xls\r\n\\miravCar.dat\r\n"
        "\\miravCar.xls\r\n\\Miravpol.xls\r\n"
        "rem Fichier .ini du Programme mirav    \r\n";
    WriteBytes(m_dir / "Zefron.ini", windowsFile);
    ScriptedAsker asker;
    AskerScope scope(&asker);
    Demarrage(m_dir.path());
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(Site().items.spreadsheetProgram,
              "C:\\Program Files\\Microsoft Office\\Office\\EXCEL.exe");
    EXPECT_EQ(Site().items.baseFolder, "C:\\Mirav");
    EXPECT_EQ(Site().items.polarSheet, "\\Miravpol.xls");
    EXPECT_EQ(ReadBytes(m_dir / "Zefron.ini"), windowsFile); // read, never rewritten
}

TEST_F(StartupTest, ReadOnlyStartNeverAsksNorWrites) {
    ScriptedAsker asker({"never"});
    AskerScope scope(&asker);
    EXPECT_TRUE(Demarrage(m_dir.path(), StartupMode::ReadOnly));
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Zefron.ini"));
    EXPECT_EQ(Site().outcome, ZefronOutcome::NotPresent);
    EXPECT_EQ(Site().items.site, "");
    EXPECT_EQ(Site().docFolder, path({"xls_doc"}));
    EXPECT_EQ(Ldim, 8);

    // With the file present it is read.
    WriteBytes(m_dir / "Zefron.ini",
               ZefronFileBytes(ZefronCreationValues("Batch", "", m_dir.path().string())));
    ResetStartup();
    Demarrage(m_dir.path(), StartupMode::ReadOnly);
    EXPECT_EQ(Site().outcome, ZefronOutcome::Read);
    EXPECT_EQ(Site().items.site, "Batch");
    EXPECT_TRUE(asker.questions.empty());
}

TEST_F(StartupTest, UnwritableSettingsAreLoggedAndTheStartGoesOn) {
    std::filesystem::create_directory(m_dir / "Zefron.ini");
    ScriptedAsker asker({"Site"});
    AskerScope scope(&asker);
    EXPECT_TRUE(Demarrage(m_dir.path()));
    EXPECT_EQ(Site().outcome, ZefronOutcome::WriteFailed);
    EXPECT_EQ(Site().items.site, "Site");
    EXPECT_EQ(Site().docFolder, path({"xls_doc"}));
    ASSERT_EQ(ErrorReport::instance().lines().size(), 1u);
    EXPECT_NE(ErrorReport::instance().lines()[0].find("_Demarragefaute"), std::string::npos);
    EXPECT_EQ(asker.questions.size(), 1u); // logged only, no question
}

TEST_F(StartupTest, ForeignSettingsFilesDoNotStopTheStart) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 31 + 7) % 256));
    for (const std::string& bytes : {garbage, std::string(2 << 20, '\n'), std::string(300, ',')}) {
        ResetStartup();
        WriteBytes(m_dir / "Zefron.ini", bytes);
        ScriptedAsker asker;
        AskerScope scope(&asker);
        EXPECT_TRUE(Demarrage(m_dir.path()));
        EXPECT_TRUE(asker.questions.empty());
        EXPECT_EQ(Ldim, 8);
        EXPECT_EQ(ReadBytes(m_dir / "Zefron.ini"), bytes);
    }
}

TEST_F(StartupTest, ConfigurationReadsTheItemsAgain) {
    ScriptedAsker asker({"Site A"});
    AskerScope scope(&asker);
    Demarrage(m_dir.path());
    const StartupSettings again = ReadConfiguration(m_dir.path());
    EXPECT_EQ(again.items, Site().items);
    EXPECT_EQ(again.polarSheet, Site().polarSheet);
    const std::string text = ConfigurationText(again);
    EXPECT_NE(text.find("Site: Site A\r\n"), std::string::npos);
    EXPECT_NE(text.find("Current folder: " + m_dir.path().string() + "\r\n"), std::string::npos);
    EXPECT_NE(text.find(path({"xls_doc", "Miravpol.xls"})), std::string::npos);

    std::filesystem::remove(m_dir / "Zefron.ini");
    const StartupSettings missing = ReadConfiguration(m_dir.path());
    EXPECT_FALSE(missing.message.empty());
    EXPECT_EQ(missing.items.site, "");
    EXPECT_EQ(Site().items.site, "Site A"); // the program's settings are kept
}

} // namespace gyro
