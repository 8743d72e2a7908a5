#pragma once

// The three players' proxy and buffer preferences in the registry file: the
// values each component reads before it loads a clip, and the operations the
// engine, the Options dialog and the main window's Use Proxy command use on
// them. Registry errors are ignored: a failing read stops reading, a failing
// write stops writing.

#include <array>
#include <string>
#include <string_view>

namespace tazmel {

class Registry;

// A station's proxy text split at the first ":"; port "8080" without one.
struct ProxyAddress {
  std::string host;
  std::string port;
  bool operator==(const ProxyAddress&) const = default;
};
ProxyAddress SplitProxyText(std::string_view text);

// A port text as a number; 80 when it is not a number.
int ProxyPortOr80(std::string_view port);

// Whether a host may be handed to a player as its proxy: a name or IPv4
// address of letters, digits, "-", "_" and ".", or an IPv6 address in
// brackets. Anything else (blanks, "@", "/", option separators) is refused.
bool IsValidProxyHost(std::string_view host);
// A host and port a player may use as its HTTP proxy.
bool IsUsableProxy(std::string_view host, int port);

// The twelve RealPlayer values in their fixed order (flags "1"/"0").
struct RealProxySet {
  enum Member {
    kHttpHost,
    kHttpPort,
    kHttpSupport,
    kRtspPnmAutoConfig,
    kHttpFromBrowser,
    kHttpAutoConfig,
    kRtspSupport,
    kRtspPort,
    kRtspHost,
    kPnaSupport,
    kPnaPort,
    kPnaHost,
    kCount
  };
  std::array<std::string, kCount> values;
  std::string& operator[](int member) { return values[member]; }
  const std::string& operator[](int member) const { return values[member]; }
  bool operator==(const RealProxySet&) const = default;
};

// The nine Windows Media Player 9 values. Styles: 0 no proxy, 1 the
// browser's, 2 the given proxy, 3 automatic detection.
struct Wmp9ProxySet {
  int http_style = 0;
  int mms_style = 0;
  int rtsp_style = 0;
  int rtsp_port = 0;
  int mms_port = 0;
  int http_port = 0;
  std::string rtsp_name;
  std::string mms_name;
  std::string http_name;
  bool operator==(const Wmp9ProxySet&) const = default;
};

// Windows Media Player 6.4 reduced to a mode: 0 none, 1 automatic, 2 the
// given proxy (3 is written like 1).
struct Wmp6ProxySet {
  int mode = 0;
  int port = 0;
  std::string host;
  bool operator==(const Wmp6ProxySet&) const = default;
};

// What the main window shows and Use Proxy switches.
struct ShownProxy {
  std::string host;
  std::string port;
  bool enabled = false;
  // host ":" port, or "" without a host.
  std::string Text() const { return host.empty() ? std::string() : host + ":" + port; }
};

// The buffer time as the Options dialog edits it.
struct BufferTime {
  bool custom = false;  // the "Buffer" box
  int seconds = 0;
};

// What a component following that player uses before each load: the buffer
// in seconds (0: the player's default).
int Wmp9BufferSeconds(const Registry& registry);
int Wmp6BufferSeconds(const Registry& registry);
int RealBufferSeconds(const Registry& registry);

class PlayerNetwork {
 public:
  explicit PlayerNetwork(Registry& registry) : registry_(registry) {}

  RealProxySet SaveRealProxy() const;
  bool RestoreRealProxy(RealProxySet set);
  bool SetRealProxy(std::string_view host, std::string_view port);

  // False when a value could not be read; the ones read are kept.
  bool SaveWmp9Proxy(Wmp9ProxySet& set) const;
  bool RestoreWmp9Proxy(const Wmp9ProxySet& set);
  bool SetWmp9Proxy(std::string_view host, std::string_view port);

  bool SaveWmp6Proxy(Wmp6ProxySet& set) const;
  bool RestoreWmp6Proxy(const Wmp6ProxySet& set);
  bool SetWmp6Proxy(std::string_view host, std::string_view port);

  ShownProxy GetRealProxy() const;
  ShownProxy GetWmpProxy() const;
  bool SetPlayersProxyEnabled(bool enabled);

  // The dialog's buffer fields. `seconds_text` that is not a number counts
  // as 15 for the Windows Media players and 5 for RealPlayer.
  bool WriteBufferTime(bool custom, std::string_view seconds_text);
  // False when the value could not be read; `time` keeps what it had then
  // (the box keeps its state without Windows Media Player 9).
  bool ReadBufferTime(BufferTime& time) const;

  bool Wmp9Installed() const;

 private:
  std::string RealKey(int member) const;
  Registry& registry_;
};

}  // namespace tazmel
