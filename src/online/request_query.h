#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace tazmel {

// The fields every request to the update and submission servers carries.
// The worker sets the SID once it registered; the user-interface thread
// reads it when it builds a request, so it is replaced whole under a lock.
class ClientFields {
 public:
  ClientFields(std::string version, std::string language_code, int system_language_id)
      : version_(std::move(version)), language_(std::move(language_code)), system_language_(system_language_id) {}

  std::string Sid() const;
  void SetSid(std::string sid);
  std::string LanguageCode() const;
  void SetLanguageCode(std::string code);
  const std::string& Version() const { return version_; }
  int SystemLanguageId() const { return system_language_; }

 private:
  mutable std::mutex mutex_;
  std::string sid_;
  std::string version_;
  std::string language_;
  int system_language_;
};

// Every byte as two upper-case hex digits: "abc" -> "616263".
std::string HexText(std::string_view data);

// Keeps A-Z a-z 0-9 and the marks given (by default "-._~"); every other byte
// becomes "%XX". The scrambled identity holds control bytes, which an address
// cannot carry as they are.
std::string PercentEncode(std::string_view bytes, std::string_view kept_marks = "-._~");

// "?t=<type>&s=<sid>&v=<version>&l=<language>&c=<system language>&d=<hex>"
// with the SID percent-encoded.
std::string RequestQuery(std::string_view type, const ClientFields& fields, std::string_view data);

// The listening report's own form: "?t=1&s=<sid>&i=" (the text follows).
std::string ReportQueryPrefix(std::string_view sid);

// A report "S123" or "P100002Z<hex of the address>" with any user name and
// password taken out of the address, which a report must never carry.
std::string ReportWithoutCredentials(std::string_view report);

// The identity's plain form: processor signature (or first disk's serial)
// "|" computer name (15 characters at most).
std::string PlainClientIdentity();
// Byte i XOR "ravk"[i mod 4].
std::string ScrambleIdentity(std::string_view plain);

// The SID answer of the registration, trimmed; empty unless it begins "SID=".
std::string SidFromAnswer(std::string_view answer);

// The program's own version, "major.minor.patch.0".
std::string ProgramVersion();

}  // namespace tazmel
