#include "terminal_view.h"

#include "core/code_page.h"

namespace tazmel {

TerminalView::TerminalView(std::FILE* out) : out_(out) {}

void TerminalView::SetKnownStates(std::string playing, std::string stopped) {
  playing_text_ = std::move(playing);
  stopped_text_ = std::move(stopped);
}

long long TerminalView::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void TerminalView::Print(std::string_view what, std::string_view text) {
  std::fprintf(out_, "%8lld %-8.*s %s\n", Elapsed(), static_cast<int>(what.size()), what.data(),
               GbToUtf8(text).c_str());
  std::fflush(out_);
}

void TerminalView::ShowState(std::string_view text) {
  if (text == playing_text_) reached_playing_ = true;
  if (text == last_state_) return;
  last_state_ = text;
  last_state_change_ = std::chrono::steady_clock::now();
  Print("state", text);
}

void TerminalView::ShowSpeed(std::string_view text) {
  if (text == last_speed_) return;
  last_speed_ = text;
  if (!text.empty()) Print("speed", text);
}

// The engine refreshes the elapsed time twice a second; a line per new
// second is enough.
void TerminalView::ShowElapsed(std::string_view text) {
  if (text == last_elapsed_) return;
  last_elapsed_ = text;
  Print("elapsed", text);
}

void TerminalView::ShowProgress(double) {}

void TerminalView::SetTransport(TransportState state) { transport_ = state; }

void TerminalView::SetTrayAnimation(bool, int) {}

void TerminalView::ShowTitle(std::string_view title, std::string_view) {
  if (title == last_title_) return;
  last_title_ = title;
  Print("title", title);
}

void TerminalView::ShowVideo(bool) {}

void TerminalView::SetWaitCursor(bool) {}

}  // namespace tazmel
