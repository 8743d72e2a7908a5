#pragma once

#include <string>
#include <string_view>

namespace tazmel {

class ClientFields;

// The feedback e-mail address and the About box's author line, chosen at
// build time (CMake cache variables TAZMEL_FEEDBACK_MAIL, TAZMEL_AUTHOR).
std::string FeedbackMail();
std::string AuthorLine();

// <home page>/send.aspx with the request query of the type and data.
std::string SubmissionAddress(std::string_view home_page, std::string_view type, const ClientFields& fields,
                              std::string_view data);

// The server took it: the answer, trimmed of blanks and line ends, is "ok".
bool IsAccepted(std::string_view answer);

// The text and the contact of a problem report, as sent (type "6").
std::string ProblemReportText(std::string_view report, std::string_view contact);

// Keeps A-Z a-z 0-9 "*-.@_"; any other byte becomes "%XX".
std::string MailEncode(std::string_view text);
// "mailto:<address>?subject=<subject>&body=<encoded body>".
std::string MailLink(std::string_view address, std::string_view subject, std::string_view body);

// A proxy list answer that is a web page (an error page of some host): it
// contains "html", "head" or "body", compared without regard to case.
bool LooksLikeWebPage(std::string_view answer);

}  // namespace tazmel
