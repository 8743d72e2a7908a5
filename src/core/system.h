#pragma once

#include <string>
#include <string_view>

namespace tazmel {

// Hands unused heap pages back to the system after large releases (a closed
// window, a stopped player).
void TrimWorkingSet();

// The folder chooser. `root`, when not empty, limits the choice to that
// folder and below; `folder` preselects and receives the choice.
class FolderBrowser {
 public:
  virtual ~FolderBrowser() = default;
  virtual bool BrowseForFolder(std::string_view title, std::string_view root, std::string& folder) = 0;
};

// Switches the computer off; true when the request was accepted.
class SystemPower {
 public:
  virtual ~SystemPower() = default;
  virtual bool ShutdownComputer() = 0;
};

// The two standard message boxes. Texts are in the data code page.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // Yes/No question; true only for Yes.
  virtual bool AskQuestion(std::string_view text) = 0;
  virtual void ShowInfo(std::string_view text) = 0;
};

}  // namespace tazmel
