// The error report's questions answered from a script, for every test that meets a question
// (GoogleTest or QtTest: nothing here depends on either).
#pragma once

#include "numerics/errorreport.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace gyro::test {

/// One question as the asker received it.
struct Question {
    std::string prompt;
    std::string title;
    std::string defaultAnswer;
};

/// Answers questions from a script, then with `fallback` (or with the question's own proposed
/// answer when `fallbackToDefault`), and records them. When `onUnexpected` is set, a question
/// beyond the script is handed to it (a test fixture fails the test there) and answered like
/// Cancel.
class ScriptedAsker : public Asker {
public:
    ScriptedAsker() = default;
    explicit ScriptedAsker(std::vector<std::string> script)
        : answers(script.begin(), script.end()) {}

    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string& defaultAnswer) override {
        questions.push_back({prompt, title, defaultAnswer});
        titles.push_back(title);
        if (answers.empty()) {
            if (onUnexpected) {
                onUnexpected(title);
                return {};
            }
            return fallbackToDefault ? defaultAnswer : fallback;
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    /// Number of questions asked with this title.
    int count(const std::string& title) const {
        int n = 0;
        for (const Question& q : questions) n += q.title == title ? 1 : 0;
        return n;
    }

    std::deque<std::string> answers;
    std::string fallback;           ///< the answer once the script is used up
    bool fallbackToDefault = false; ///< once the script is used up, take the proposed answer
    std::function<void(const std::string& title)> onUnexpected;
    std::vector<Question> questions;
    std::vector<std::string> titles;
};

} // namespace gyro::test
