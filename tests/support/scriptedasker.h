// The error report's questions answered from a script, for every test that meets a question.
#pragma once

#include "numerics/errorreport.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace gyro::test {

/// One question as the asker received it.
struct Question {
    std::string prompt;
    std::string title;
    std::string defaultAnswer;
};

/// Answers questions from a script, then with `fallback`, and records them. With
/// `failOnUnexpected` a question beyond the script fails the test (and is answered like Cancel).
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
            if (failOnUnexpected) ADD_FAILURE() << "unexpected question: " << title;
            return failOnUnexpected ? std::string() : fallback;
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::string> answers;
    std::string fallback;          ///< the answer once the script is used up
    bool failOnUnexpected = false; ///< a question beyond the script fails the test
    std::vector<Question> questions;
    std::vector<std::string> titles;
};

} // namespace gyro::test
