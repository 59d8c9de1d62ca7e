// The error report: log lines, the question flow, stop and end of the program.
#include "numerics/errorreport.h"

#include "numerics/numberformat.h"

#include "support/reportfixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gyro {
namespace {

using test::ReportTest;

const std::string kLabel = "normafaute normalise vecteur nul = nul ";
const std::string kQuestionTail = "\r\nA small error was raised, rounding error or null norm "
                                  "warning. If it happen again, please modify the data...    "
                                  "Type Yes to continue, Stop to stop, No to end the program";

TEST_F(ReportTest, FirstReportAsksWithTheUnderstoodDefault) {
    asker.answers = {"Yes, It is understood!"};
    double status = 7;
    AlerteCalcul(kLabel, status);
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].prompt, kLabel + kQuestionTail);
    EXPECT_EQ(asker.questions[0].title, "normafaute normalise vecteur nul = nul    Warning");
    EXPECT_EQ(asker.questions[0].defaultAnswer, "Yes, It is understood!");
    EXPECT_EQ(status, 7); // unchanged when the user continues
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 0);
    EXPECT_EQ(endProgramCalls, 0);
    EXPECT_EQ(logLines(), std::vector<std::string>{"At_Time= . " + kLabel});
    EXPECT_EQ(ErrorReport::instance().lastAnswer(), "Yes, It is understood!");
}

TEST_F(ReportTest, AnswersDecideByTheirFirstLetter) {
    struct Case {
        std::vector<std::string> answers; // to the question, then to the kill confirmation
        bool stops;
        bool ends;
        std::string nextDefault;
    };
    const std::vector<Case> cases = {
        {{"Stop"}, true, false, "Stop"},
        {{"stop"}, true, false, "stop"},
        {{"STOP"}, true, false, "STOP"},
        {{"S"}, true, false, "S"},
        {{"Yes"}, false, false, "Yes"},
        {{"y"}, false, false, "y"},
        {{""}, false, false, ""},              // Cancel
        {{" Stop", "no"}, false, false, "no"}, // a blank first is not "s"
        {{"No", "no"}, false, false, "no"},
        {{"No", ""}, false, false, ""},
        {{"No", "yes"}, false, true, "yes"},
        {{"no", "Yes to kill"}, false, true, "Yes to kill"},
        {{"No", "No"}, false, false, "No"}, // the proposed answer of the confirmation continues
        {{"maybe", "Y"}, false, true, "Y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("answers: " + c.answers.front());
        ErrorReport::instance().reset();
        ErrorReport::instance().stopFlag() = 0;
        endProgramCalls = 0;
        asker.questions.clear();
        asker.answers.assign(c.answers.begin(), c.answers.end());
        double status = 0;
        AlerteCalcul("rungefaute", status);
        EXPECT_TRUE(asker.answers.empty());
        EXPECT_EQ(status, c.stops ? 1 : 0);
        EXPECT_EQ(ErrorReport::instance().stopFlag(), c.stops ? 1 : 0);
        EXPECT_EQ(endProgramCalls, c.ends ? 1 : 0);
        EXPECT_EQ(ErrorReport::instance().lastAnswer(), c.nextDefault);
        const bool confirms = asker.questions.size() == 2;
        if (confirms) {
            EXPECT_EQ(asker.questions[1].prompt, "Do you really want to kill the process ");
            EXPECT_EQ(asker.questions[1].title, "Warning again");
            EXPECT_EQ(asker.questions[1].defaultAnswer, "No");
        }
        // The next question offers the last answer.
        asker.answers = {"y"};
        AlerteCalcul("frRungefaute");
        EXPECT_EQ(asker.questions.back().defaultAnswer, c.nextDefault);
    }
}

TEST_F(ReportTest, LastAnswerIsTheNextDefault) {
    asker.answers = {"Stop", "Yes", "No", "no", ""};
    AlerteCalcul("a");
    AlerteCalcul("b");
    AlerteCalcul("c");
    AlerteCalcul("d");
    ASSERT_EQ(asker.questions.size(), 5u);
    EXPECT_EQ(asker.questions[0].defaultAnswer, "Yes, It is understood!");
    EXPECT_EQ(asker.questions[1].defaultAnswer, "Stop");
    EXPECT_EQ(asker.questions[2].defaultAnswer, "Yes");
    EXPECT_EQ(asker.questions[3].defaultAnswer, "No"); // the confirmation proposes to go on
    EXPECT_EQ(asker.questions[4].defaultAnswer, "no");
    EXPECT_EQ(ErrorReport::instance().stopFlag(),
              1); // the stop stays until the run driver clears it
    EXPECT_EQ(ErrorReport::instance().lastAnswer(), "");
}

TEST_F(ReportTest, UnderscoreLabelsAreOnlyLogged) {
    double status = 0;
    AlerteCalcul("_Pb de Pas", status);
    EXPECT_TRUE(asker.questions.empty());
    EXPECT_EQ(logLines(), std::vector<std::string>{"At_Time= . _Pb de Pas"});
    // The first report used up the understood default: the first question offers nothing.
    asker.answers = {"y"};
    AlerteCalcul("normfaute");
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].defaultAnswer, "");
}

TEST_F(ReportTest, WarningTextShowsTheNewestLineOnTop) {
    AlerteCalcul("_first");
    ErrorReport::instance().OrbitalTime = 12.3456;
    AlerteCalcul("_second");
    ErrorReport::instance().OrbitalTime = -0.5;
    AlerteCalcul("_third");
    EXPECT_EQ(ErrorReport::instance().text(), "At_Time= -.5 _third\r\n"
                                              "At_Time= 12.346 _second\r\n"
                                              "At_Time= . _first\r\n");
    EXPECT_EQ(logLines().size(), 3u);
}

TEST_F(ReportTest, QuestionsAndListenersSeeEveryLine) {
    int notified = 0;
    ErrorReport::instance().setLogListener([&] { ++notified; });
    asker.answers = {"y"};
    AlerteCalcul("_x");
    AlerteCalcul("Atn2faute");
    ErrorReport::instance().appendLog(" erreur en EulerR");
    ErrorReport::instance().setLogListener({});
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(logLines().back(), " erreur en EulerR");
}

TEST_F(ReportTest, WithoutAnAskerQuestionsContinue) {
    ErrorReport::instance().setAsker(nullptr);
    double status = 0;
    AlerteCalcul("rungefaute", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 0);
    EXPECT_EQ(endProgramCalls, 0);
    EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(ReportTest, StopThroughTheShortFormSetsStopCalcul) {
    asker.answers = {"s"};
    AlerteCalcul("Atnpfaute");
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 1);
}

TEST_F(ReportTest, AnEndlessRunKeepsTheLogBounded) {
    const std::size_t total = ErrorReport::kMaxLines * 2 + 10;
    for (std::size_t i = 0; i < total; ++i) AlerteCalcul("_Pb de Pas " + std::to_string(i));
    const ErrorReport& report = ErrorReport::instance();
    EXPECT_LE(report.lines().size(), ErrorReport::kMaxLines);
    EXPECT_EQ(report.totalLines(), total);
    EXPECT_EQ(report.droppedLines() + report.lines().size(), total);
    EXPECT_NE(report.lines().back().find(std::to_string(total - 1)), std::string::npos)
        << "the newest line is kept";
    const std::string text = report.text();
    EXPECT_NE(text.find("older lines dropped"), std::string::npos);
}

TEST_F(ReportTest, StepSizeLinesReadAsTheLabelsTheyStandFor) {
    // The step-size lines are logged as numbers and written out only when read: whatever is
    // read first (the newest lines, the whole log, the text), and across the log's bound, they
    // must read as the labels logged at once would.
    struct Line {
        StepSizeLine kind;
        double retries, h, hNext, errPos, errVel, orbitalTime;
    };
    const Line table[] = {
        {StepSizeLine::Reduced, 0, 0.5, 0.05, 3.25e-7, 1.5e-3, 0},
        {StepSizeLine::Resumed, 2, 1e-12, 2.5e-12, 0, 7.125, 0},
        {StepSizeLine::Reduced, 0, -3.5e-9, 1e300, 1e-300, 42, 12.3456},
        {StepSizeLine::Resumed, 0, 0.25, 0.25, 0.1, 0.2, -0.5},
    };
    ErrorReport eager, lazy;
    const auto logBoth = [&](std::size_t i) {
        const Line& l = table[i % std::size(table)];
        eager.OrbitalTime = lazy.OrbitalTime = l.orbitalTime;
        const std::string numbers =
            Format9(l.h) + Format9(l.hNext) + "_err" + Format6(l.errPos) + Format6(l.errVel);
        double status = 0;
        eager.report(l.kind == StepSizeLine::Resumed ? "_Runge_suite" + Format6(l.retries) + numbers
                                                     : "_RungePasRéduit" + numbers,
                     status);
        lazy.logStepSize(l.kind, l.retries, l.h, l.hNext, l.errPos, l.errVel);
        if (i % 3 == 0) {
            eager.appendLog("plain " + std::to_string(i));
            lazy.appendLog("plain " + std::to_string(i));
        }
    };
    for (std::size_t i = 0; i < 12; ++i) logBoth(i);
    // The newest lines first, then the whole text.
    for (std::size_t i = lazy.totalLines(); i-- > lazy.totalLines() - 3;)
        EXPECT_EQ(lazy.line(i), eager.line(i)) << i;
    EXPECT_EQ(lazy.text(), eager.text());
    // Past the bound the oldest half goes, read or not.
    for (std::size_t i = 0; eager.totalLines() < ErrorReport::kMaxLines + 5; ++i) logBoth(i);
    EXPECT_EQ(lazy.droppedLines(), eager.droppedLines());
    EXPECT_EQ(lazy.lines(), eager.lines());
    // Like any line logged without a question, they use up the first report's proposed answer.
    {
        const ErrorReport::Use use(lazy);
        asker.answers = {"y"};
        lazy.setAsker(&asker);
        AlerteCalcul("normfaute");
        lazy.setAsker(nullptr);
    }
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].defaultAnswer, "");
}

// A window's asker that ticks "Don't ask again" on the report questions it is told to.
class SilencingAsker : public test::ScriptedAsker {
public:
    ReportAnswer askReport(ReportQuestion kind, const std::string& prompt, const std::string& title,
                           const std::string& defaultAnswer) override {
        return {ask(prompt, title, defaultAnswer), kind == ReportQuestion::Report && tick};
    }
    bool tick = true;
};

TEST_F(ReportTest, DontAskAgainLogsTheSameLabelForTheRestOfTheRun) {
    SilencingAsker quiet;
    quiet.onUnexpected = [](const std::string& title) {
        ADD_FAILURE() << "unexpected question: " << title;
    };
    ErrorReport::instance().setAsker(&quiet);
    ErrorReport& report = ErrorReport::instance();
    const std::string loop = "Runge a tendance à boucler Pb de Pas";
    quiet.answers = {"Yes", "Stop"};
    for (int i = 0; i < 41; ++i) AlerteCalcul(loop);
    double status = 0;
    AlerteCalcul("normfaute", status); // another label is asked, and Stop still stops
    EXPECT_EQ(quiet.questions.size(), 2u);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(report.silencedCount(), 40u);
    EXPECT_EQ(report.silencedStatus(), "40 repeated warnings logged without asking");
    EXPECT_EQ(logLines().size(), 42u); // every report is still logged

    report.beginRun(); // the next run asks again
    EXPECT_EQ(report.silencedStatus(), "");
    quiet.answers = {"y"};
    AlerteCalcul(loop);
    EXPECT_EQ(quiet.questions.size(), 3u);
}

} // namespace
} // namespace gyro
