#include "app/sleep_timer_controller.h"

#include <QAction>

#include <chrono>

#include "playback/engine.h"
#include "ui/main/main_window.h"

namespace tazmel {
namespace {

struct SleepChoice {
  const char* item;
  int minutes;  // 0: off
};
constexpr SleepChoice kChoices[] = {{"nSleep15", 15}, {"nSleep30", 30},   {"nSleep45", 45}, {"nSleep60", 60},
                                    {"nSleep90", 90}, {"nSleep120", 120}, {"nSleepOff", 0}};

}  // namespace

int SleepTimerController::EnginePort::Volume() const { return engine_.Volume(); }
void SleepTimerController::EnginePort::SetVolume(int volume) { engine_.SetVolume(volume); }
void SleepTimerController::EnginePort::StopPlayback() { engine_.Stop(); }

SleepTimerController::SleepTimerController(TfrmMain& window, PlaybackEngine& engine, Dispatcher& dispatcher)
    : window_(window), port_(engine), timer_(dispatcher, clock_, port_) {
  timer_.on_changed = [this] {
    if (!timer_.Active()) chosen_minutes_ = 0;
    ShowChoice();
  };
  for (const SleepChoice& choice : kChoices) {
    QAction* action = window_.Action(choice.item);
    if (!action) continue;
    const int minutes = choice.minutes;
    connect(action, &QAction::triggered, this, [this, minutes] {
      chosen_minutes_ = minutes;
      if (minutes == 0) {
        timer_.Cancel();
      } else {
        timer_.Start(std::chrono::minutes(minutes));
      }
      ShowChoice();
    });
  }
  ShowChoice();
}

SleepTimerController::~SleepTimerController() { timer_.on_changed = nullptr; }

void SleepTimerController::ShowChoice() {
  for (const SleepChoice& choice : kChoices) {
    if (QAction* action = window_.Action(choice.item)) action->setChecked(choice.minutes == chosen_minutes_);
  }
}

}  // namespace tazmel
