#include "online/submission.h"

#include "core/text_utils.h"
#include "online/request_query.h"

namespace tazmel {

std::string FeedbackMail() { return TAZMEL_FEEDBACK_MAIL; }
std::string AuthorLine() { return TAZMEL_AUTHOR; }

std::string SubmissionAddress(std::string_view home_page, std::string_view type, const ClientFields& fields,
                              std::string_view data) {
  std::string address(home_page);
  if (address.empty() || address.back() != '/') address += '/';
  return address + "send.aspx" + RequestQuery(type, fields, data);
}

bool IsAccepted(std::string_view answer) { return TrimControls(answer) == "ok"; }

std::string ProblemReportText(std::string_view report, std::string_view contact) {
  return std::string(report) + "\r\n" + std::string(contact);
}

std::string MailEncode(std::string_view text) { return PercentEncode(text, "*-.@_"); }

std::string MailLink(std::string_view address, std::string_view subject, std::string_view body) {
  return "mailto:" + std::string(address) + "?subject=" + std::string(subject) + "&body=" + MailEncode(body);
}

bool LooksLikeWebPage(std::string_view answer) {
  const std::string lower = AsciiLowerCopy(answer);
  return lower.find("html") != std::string::npos || lower.find("head") != std::string::npos ||
         lower.find("body") != std::string::npos;
}

}  // namespace tazmel
