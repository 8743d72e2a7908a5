#include "terminal_view.h"

#include <utility>

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

// The elapsed time changes once a second at most: a line per new second.
void TerminalView::Show(const EngineViewState& state) {
  const EngineViewState before = std::exchange(shown_, state);
  if (state.state == playing_text_) reached_playing_ = true;
  if (state.state != before.state) {
    last_state_change_ = std::chrono::steady_clock::now();
    Print("state", state.state);
  }
  if (state.speed != before.speed && !state.speed.empty()) Print("speed", state.speed);
  if (state.elapsed != before.elapsed) Print("elapsed", state.elapsed);
  if (state.title != before.title) Print("title", state.title);
  if (state.reason != before.reason && !state.reason.empty()) Print("reason", state.reason);
}

}  // namespace tazmel
