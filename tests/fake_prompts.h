#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/system.h"

namespace tazmel::test {

// Records the questions and information texts the logic shows and answers
// questions from a queue. With the queue empty a question gets
// `default_answer`, or fails the test when `strict` is set.
class FakePrompts : public UserPrompts {
 public:
  bool AskQuestion(std::string_view text) override {
    questions.emplace_back(text);
    if (answers.empty()) {
      if (strict) ADD_FAILURE() << "unexpected question: " << text;
      return default_answer;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowInfo(std::string_view text) override { infos.emplace_back(text); }

  std::deque<bool> answers;
  bool default_answer = false;
  bool strict = false;
  std::vector<std::string> questions;
  std::vector<std::string> infos;
};

}  // namespace tazmel::test
