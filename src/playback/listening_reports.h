#pragma once

#include <string>

namespace tazmel {

// The update service's pending listening report.
class ListeningReports {
 public:
  virtual ~ListeningReports() = default;
  // Replaces any report not sent yet.
  virtual void SetPendingReport(std::string text) = 0;
  // Sends what is pending without waiting for the next pass.
  virtual void WakeUp() = 0;
};

}  // namespace tazmel
