#include "playback/station_proxy.h"

#include <algorithm>

#include "core/text_utils.h"
#include "platform/registry.h"

namespace tazmel {
namespace {

// Where the saved copies wait while a station proxy is in force.
constexpr std::string_view kSavedRoot = "HKEY_CURRENT_USER\\Software\\Tazmel\\StationProxy\\";

std::string SavedKey(PlayerId player) {
  switch (player) {
    case PlayerId::kReal:
      return std::string(kSavedRoot) + "Real";
    case PlayerId::kWmp6:
      return std::string(kSavedRoot) + "Wmp6";
    case PlayerId::kWmp9:
    case PlayerId::kNone:
      break;
  }
  return std::string(kSavedRoot) + "Wmp9";
}

std::string RealValueName(int member) { return "Real" + std::to_string(member); }

}  // namespace

StationProxyOverrides::StationProxyOverrides(Registry& registry) : registry_(registry), network_(registry) {}

bool StationProxyOverrides::Overridden(PlayerId player) const {
  const auto it = states_.find(player);
  return it != states_.end() && it->second.saved.has_value();
}

StationProxyOverrides::Saved StationProxyOverrides::ReadUser(PlayerId player) const {
  Saved saved;
  switch (player) {
    case PlayerId::kReal:
      saved.real = network_.SaveRealProxy();
      break;
    case PlayerId::kWmp6:
      saved.wmp6_read = network_.SaveWmp6Proxy(saved.wmp6);
      break;
    case PlayerId::kWmp9:
      saved.wmp9_read = network_.SaveWmp9Proxy(saved.wmp9);
      break;
    case PlayerId::kNone:
      break;
  }
  return saved;
}

void StationProxyOverrides::WriteUser(PlayerId player, const Saved& saved) {
  switch (player) {
    case PlayerId::kReal:
      network_.RestoreRealProxy(saved.real);
      break;
    case PlayerId::kWmp6:
      network_.RestoreWmp6Proxy(saved.wmp6);
      break;
    case PlayerId::kWmp9:
      network_.RestoreWmp9Proxy(saved.wmp9);
      break;
    case PlayerId::kNone:
      break;
  }
}

void StationProxyOverrides::SetStation(PlayerId player, const Claim& claim) {
  switch (player) {
    case PlayerId::kReal:
      network_.SetRealProxy(claim.host, claim.port);
      break;
    case PlayerId::kWmp6:
      network_.SetWmp6Proxy(claim.host, claim.port);
      break;
    case PlayerId::kWmp9:
      network_.SetWmp9Proxy(claim.host, claim.port);
      break;
    case PlayerId::kNone:
      break;
  }
}

void StationProxyOverrides::Persist(PlayerId player, const Saved* saved) {
  Registry::Batch batch(registry_);
  const std::string key = SavedKey(player);
  if (saved == nullptr) {
    registry_.WriteInteger(key, "Saved", 0);
    return;
  }
  // The copy and its mark reach the file together.
  switch (player) {
    case PlayerId::kReal:
      for (int m = 0; m < RealProxySet::kCount; ++m) registry_.WriteString(key, RealValueName(m), saved->real[m]);
      break;
    case PlayerId::kWmp6:
      registry_.WriteInteger(key, "Mode", saved->wmp6.mode);
      registry_.WriteInteger(key, "Port", saved->wmp6.port);
      registry_.WriteString(key, "Host", saved->wmp6.host);
      break;
    case PlayerId::kWmp9: {
      const Wmp9ProxySet& s = saved->wmp9;
      registry_.WriteInteger(key, "HttpStyle", s.http_style);
      registry_.WriteInteger(key, "MmsStyle", s.mms_style);
      registry_.WriteInteger(key, "RtspStyle", s.rtsp_style);
      registry_.WriteInteger(key, "RtspPort", s.rtsp_port);
      registry_.WriteInteger(key, "MmsPort", s.mms_port);
      registry_.WriteInteger(key, "HttpPort", s.http_port);
      registry_.WriteString(key, "RtspName", s.rtsp_name);
      registry_.WriteString(key, "MmsName", s.mms_name);
      registry_.WriteString(key, "HttpName", s.http_name);
      break;
    }
    case PlayerId::kNone:
      return;
  }
  registry_.WriteInteger(key, "Saved", 1);
}

std::optional<StationProxyOverrides::Saved> StationProxyOverrides::Persisted(PlayerId player) const {
  const std::string key = SavedKey(player);
  if (registry_.ReadInteger(key, "Saved").value_or(0) != 1) return std::nullopt;
  Saved saved;
  const auto text = [&](std::string_view name) { return registry_.ReadString(key, name).value_or(""); };
  const auto number = [&](std::string_view name) { return registry_.ReadInteger(key, name).value_or(0); };
  switch (player) {
    case PlayerId::kReal:
      for (int m = 0; m < RealProxySet::kCount; ++m) saved.real[m] = text(RealValueName(m));
      break;
    case PlayerId::kWmp6:
      saved.wmp6 = {number("Mode"), number("Port"), text("Host")};
      break;
    case PlayerId::kWmp9:
      saved.wmp9 = {number("HttpStyle"), number("MmsStyle"), number("RtspStyle"), number("RtspPort"), number("MmsPort"),
                    number("HttpPort"),  text("RtspName"),   text("MmsName"),     text("HttpName")};
      break;
    case PlayerId::kNone:
      return std::nullopt;
  }
  return saved;
}

void StationProxyOverrides::Apply(PlayerId player, int holder, std::string_view station_proxy) {
  if (player == PlayerId::kNone) return;
  Registry::Batch batch(registry_);
  const ProxyAddress address = SplitProxyText(TrimBlanks(station_proxy));
  const std::string host(TrimBlanks(address.host));
  const int port = ParseInteger(TrimBlanks(address.port)).value_or(0);
  // A proxy no player could use is no proxy: the station plays with the
  // user's own settings rather than with a broken one.
  if (host.empty() || !IsUsableProxy(host, port)) {
    Restore(player, holder);
    return;
  }
  State& state = states_[player];
  if (!state.saved) {
    state.saved = ReadUser(player);
    Persist(player, &*state.saved);
  }
  std::erase_if(state.claims, [&](const Claim& c) { return c.holder == holder; });
  state.claims.push_back({holder, host, std::to_string(port)});
  SetStation(player, state.claims.back());
}

void StationProxyOverrides::Restore(PlayerId player, int holder) {
  Registry::Batch batch(registry_);
  const auto it = states_.find(player);
  if (it == states_.end() || !it->second.saved) return;
  State& state = it->second;
  const auto erased = std::erase_if(state.claims, [&](const Claim& c) { return c.holder == holder; });
  if (erased == 0) return;
  if (!state.claims.empty()) {
    SetStation(player, state.claims.back());
    return;
  }
  WriteUser(player, *state.saved);
  state.saved.reset();
  Persist(player, nullptr);
}

void StationProxyOverrides::Suspend() {
  for (auto& [player, state] : states_) {
    if (state.saved) WriteUser(player, *state.saved);
  }
}

void StationProxyOverrides::ResumeAll() {
  for (auto& [player, state] : states_) {
    if (!state.saved || state.claims.empty()) continue;
    state.saved = ReadUser(player);
    Persist(player, &*state.saved);
    SetStation(player, state.claims.back());
  }
}

void StationProxyOverrides::RecoverAfterCrash() {
  Registry::Batch batch(registry_);
  for (PlayerId player : {PlayerId::kReal, PlayerId::kWmp6, PlayerId::kWmp9}) {
    if (Overridden(player)) continue;
    if (std::optional<Saved> saved = Persisted(player)) {
      WriteUser(player, *saved);
      Persist(player, nullptr);
    }
  }
}

}  // namespace tazmel
