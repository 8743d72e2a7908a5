#include "playback/player_network.h"

#include <gtest/gtest.h>

#include <string>

#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/station_proxy.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel::test {
namespace {

const std::string kRealUser = "HKEY_CURRENT_USER\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";
const std::string kRealOld = "HKEY_CLASSES_ROOT\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";
const std::string kWmp9 = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences\\ProxySettings\\";
constexpr std::string_view kWmp9Prefs = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences";
constexpr std::string_view kWmp6Local = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\Local";
constexpr std::string_view kWmp6General = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\General";

class PlayerNetworkTest : public ::testing::Test {
 protected:
  std::string Real(const std::string& name, const std::string& root = kRealUser) const {
    return Reread().ReadString(root + name, Registry::kDefaultValue).value_or("<absent>");
  }
  Registry Reread() const { return Registry(file_); }
  void SetWmp9Installed(bool installed) {
    registry_.WriteString(kComponentsKey, kWmp9File, installed ? "12.0" : "missing");
  }

  TempDir temp_;
  ScopedEnv no_env_proxy_{"http_proxy", std::nullopt};
  ScopedEnv no_env_proxy_upper_{"HTTP_PROXY", std::nullopt};
  std::filesystem::path file_ = temp_ / "registry.ini";
  Registry registry_{file_};
  PlayerNetwork network_{registry_};
};

// Splitting station proxy texts, port numbers and which hosts may reach a
// player at all.
TEST_F(PlayerNetworkTest, ProxyTextsAndHosts) {
  EXPECT_EQ(SplitProxyText("10.0.0.5"), (ProxyAddress{"10.0.0.5", "8080"}));
  EXPECT_EQ(SplitProxyText("proxy:3128:9"), (ProxyAddress{"proxy", "3128:9"}));
  EXPECT_EQ(ProxyPortOr80("x"), 80);
  EXPECT_EQ(ProxyPortOr80(" 81 "), 81);
  struct Case {
    std::string_view host;
    int port;
    bool usable;
  } cases[] = {{"proxy.example", 8080, true},
               {"10.0.0.5", 1, true},
               {"[::1]", 65535, true},
               {"", 8080, false},
               {"a b", 80, false},
               {"user@host", 80, false},
               {"h/x", 80, false},
               {"h,ytdl=yes", 80, false},
               {"host", 0, false},
               {"host", 65536, false},
               {"[zz]", 80, false}};
  for (const Case& c : cases) EXPECT_EQ(IsUsableProxy(c.host, c.port), c.usable) << c.host << ":" << c.port;
}

// A station proxy without a port goes to all three protocols of RealPlayer
// and of Windows Media Player 9 with port 8080; an empty host clears them.
TEST_F(PlayerNetworkTest, SetProxyFillsEveryProtocol) {
  const ProxyAddress station = SplitProxyText("10.0.0.5");
  ASSERT_TRUE(network_.SetRealProxy(station.host, station.port));
  ASSERT_TRUE(network_.SetWmp9Proxy(station.host, station.port));
  for (const char* p : {"HTTP", "RTSP", "PNA"}) {
    EXPECT_EQ(Real(std::string(p) + "ProxyHost"), "10.0.0.5") << p;
    EXPECT_EQ(Real(std::string(p) + "ProxyPort"), "8080") << p;
    EXPECT_EQ(Real(std::string(p) + "ProxySupport"), "1") << p;
  }
  for (const char* flag : {"RTSPPNMProxyAutoConfig", "UseSystemProxySettings", "HTTPProxyAutoConfig"}) {
    EXPECT_EQ(Real(flag), "0") << flag;
  }
  for (const char* p : {"HTTP", "MMS", "RTSP"}) {
    EXPECT_EQ(Reread().ReadInteger(kWmp9 + p, "ProxyStyle"), 2) << p;
    EXPECT_EQ(Reread().ReadInteger(kWmp9 + p, "ProxyPort"), 8080) << p;
    EXPECT_EQ(Reread().ReadString(kWmp9 + p, "ProxyName"), "10.0.0.5") << p;
  }

  ASSERT_TRUE(network_.SetRealProxy("", "3128"));
  ASSERT_TRUE(network_.SetWmp9Proxy("", "3128"));
  EXPECT_EQ(Real("HTTPProxyHost"), "");
  EXPECT_EQ(Real("PNAProxyPort"), "3128");
  EXPECT_EQ(Real("RTSPProxySupport"), "0");
  EXPECT_EQ(Reread().ReadInteger(kWmp9 + "MMS", "ProxyStyle"), 0);
  EXPECT_EQ(Reread().ReadInteger(kWmp9 + "MMS", "ProxyPort"), 3128);
  EXPECT_EQ(Reread().ReadString(kWmp9 + "MMS", "ProxyName"), "");
}

// The value sets written come back as they were from the registry file, for
// each player.
TEST_F(PlayerNetworkTest, SetsReadBackFromTheFile) {
  RealProxySet real;
  for (int m = 0; m < RealProxySet::kCount; ++m) real[m] = "v" + std::to_string(m);
  real[RealProxySet::kHttpFromBrowser] = "0";
  const Wmp9ProxySet wmp9{2, 1, 3, 554, 1755, 8080, "rtsp.host", "mms.host", "http.host"};
  ASSERT_TRUE(network_.RestoreRealProxy(real));
  ASSERT_TRUE(network_.RestoreWmp9Proxy(wmp9));

  Registry reread(file_);
  PlayerNetwork again(reread);
  EXPECT_EQ(again.SaveRealProxy(), real);
  Wmp9ProxySet read_wmp9;
  EXPECT_TRUE(again.SaveWmp9Proxy(read_wmp9));
  EXPECT_EQ(read_wmp9, wmp9);

  // Windows Media Player 6.4 keeps a mode; automatic (1 or 3) reads back as
  // 1, anything but "given" and "automatic" as none.
  struct Case {
    Wmp6ProxySet written;
    Wmp6ProxySet read;
  } cases[] = {{{2, 3128, "w6.host"}, {2, 3128, "w6.host"}},
               {{1, 3128, "w6.host"}, {1, 3128, "w6.host"}},
               {{3, 3128, "w6.host"}, {1, 3128, "w6.host"}},
               {{0, 3128, "w6.host"}, {0, 3128, "w6.host"}}};
  for (const Case& c : cases) {
    ASSERT_TRUE(network_.RestoreWmp6Proxy(c.written));
    Registry file(file_);
    Wmp6ProxySet read;
    EXPECT_TRUE(PlayerNetwork(file).SaveWmp6Proxy(read));
    EXPECT_EQ(read, c.read) << c.written.mode;
  }
}

// A missing integer ends the read: what was read stays, the rest stays 0.
TEST_F(PlayerNetworkTest, MissingIntegerEndsTheRead) {
  registry_.WriteInteger(kWmp9 + "HTTP", "ProxyStyle", 2);
  registry_.WriteInteger(kWmp9 + "MMS", "ProxyStyle", 1);
  registry_.WriteString(kWmp9 + "HTTP", "ProxyName", "never.read");
  Wmp9ProxySet set;
  EXPECT_FALSE(network_.SaveWmp9Proxy(set));
  EXPECT_EQ(set, (Wmp9ProxySet{2, 1, 0, 0, 0, 0, "", "", ""}));
}

// With member 5 set and a browser proxy, restoring writes the browser's
// proxy as the explicit HTTP proxy; without one, HTTP support goes off.
TEST_F(PlayerNetworkTest, RealBrowserChoiceIsMadeExplicit) {
  RealProxySet set;
  set[RealProxySet::kHttpFromBrowser] = "1";
  set[RealProxySet::kHttpSupport] = "1";
  ASSERT_TRUE(network_.RestoreRealProxy(set));
  EXPECT_EQ(Real("HTTPProxySupport"), "0");

  registry_.WriteInteger(kInternetSettingsKey, "ProxyEnable", 1);
  registry_.WriteString(kInternetSettingsKey, "ProxyServer", "browser.proxy:3128");
  ASSERT_TRUE(network_.RestoreRealProxy(set));
  EXPECT_EQ(Real("HTTPProxyHost"), "browser.proxy");
  EXPECT_EQ(Real("HTTPProxyPort"), "3128");
  EXPECT_EQ(Real("HTTPProxySupport"), "1");
  EXPECT_EQ(Real("UseSystemProxySettings"), "1");
}

// An older RealPlayer keeps its proxy under HKEY_CLASSES_ROOT, with the
// browser flag under the old player's key; the buffer stays per user.
TEST_F(PlayerNetworkTest, OldRealPlayerUsesTheMachineRoot) {
  registry_.WriteString(kComponentsKey, kRealPlayerFile, "6.0.8");
  ASSERT_TRUE(network_.SetRealProxy("old.proxy", "81"));
  ASSERT_TRUE(network_.WriteBufferTime(true, "90"));
  EXPECT_EQ(Real("HTTPProxyHost", kRealOld), "old.proxy");
  EXPECT_EQ(Real("HTTPProxyHost"), "<absent>");
  EXPECT_EQ(Reread().ReadString("HKEY_CLASSES_ROOT\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\"
                                "GetHTTPProxyFromBrowser",
                                Registry::kDefaultValue),
            "0");
  EXPECT_EQ(Real("BufferedPlayTime"), "90");
  EXPECT_EQ(Real("BufferedPlayTime", kRealOld), "<absent>");
}

// The buffer time is clamped per player; text that is not a number counts
// as 15 (Windows Media) or 5 (RealPlayer); unchecked writes the defaults.
TEST_F(PlayerNetworkTest, BufferTimeIsClampedPerPlayer) {
  struct Case {
    bool wmp9;
    bool custom;
    std::string_view text;
    int wmp_ms;
    int use_default;  // Windows Media Player 9 only
    std::string real;
  } cases[] = {
      {true, true, "90", 60000, 0, "90"},  {true, false, "90", 5000, 1, "5"},    {true, true, "0", 1000, 0, "0"},
      {true, true, "x", 15000, 0, "5"},    {true, true, "400", 60000, 0, "300"}, {false, true, "90", 30000, -1, "90"},
      {false, false, "20", 3000, -1, "5"}, {false, true, "x", 15000, -1, "5"},
  };
  for (const Case& c : cases) {
    SetWmp9Installed(c.wmp9);
    ASSERT_TRUE(network_.WriteBufferTime(c.custom, c.text));
    const Registry r = Reread();
    if (c.wmp9) {
      EXPECT_EQ(r.ReadInteger(kWmp9Prefs, "CustomBufferTime"), c.wmp_ms) << c.text;
      EXPECT_EQ(r.ReadInteger(kWmp9Prefs, "UseDefaultBufferTime"), c.use_default) << c.text;
    } else {
      EXPECT_EQ(r.ReadInteger(kWmp6General, "Buffering Time"), c.wmp_ms) << c.text;
    }
    EXPECT_EQ(Real("BufferedPlayTime"), c.real) << c.text;
    BufferTime shown{.custom = !c.custom, .seconds = -1};
    ASSERT_TRUE(network_.ReadBufferTime(shown));
    EXPECT_EQ(shown.seconds, c.wmp_ms / 1000) << c.text;
    // Without Windows Media Player 9 the box keeps its state.
    EXPECT_EQ(shown.custom, c.wmp9 ? c.custom : !c.custom) << c.text;
  }
  // The components' view: the default means no wait of their own.
  SetWmp9Installed(true);
  network_.WriteBufferTime(false, "");
  EXPECT_EQ(Wmp9BufferSeconds(registry_), 0);
  network_.WriteBufferTime(true, "7");
  EXPECT_EQ(Wmp9BufferSeconds(registry_), 7);
  EXPECT_EQ(RealBufferSeconds(registry_), 7);
}

// The proxy the main window shows and Use Proxy switches.
TEST_F(PlayerNetworkTest, ShownProxyAndUseProxySwitch) {
  SetWmp9Installed(true);
  network_.SetRealProxy("real.host", "81");
  network_.SetWmp9Proxy("wmp.host", "82");
  EXPECT_EQ(network_.GetRealProxy().Text(), "real.host:81");
  EXPECT_TRUE(network_.GetRealProxy().enabled);
  EXPECT_EQ(network_.GetWmpProxy().Text(), "wmp.host:82");

  ASSERT_TRUE(network_.SetPlayersProxyEnabled(false));
  // Off, the hosts stay and show as not enabled.
  EXPECT_EQ(network_.GetRealProxy().Text(), "real.host:81");
  EXPECT_FALSE(network_.GetRealProxy().enabled);
  EXPECT_FALSE(network_.GetWmpProxy().enabled);
  EXPECT_EQ(network_.GetWmpProxy().host, "wmp.host");
  ASSERT_TRUE(network_.SetPlayersProxyEnabled(true));
  EXPECT_TRUE(network_.GetRealProxy().enabled);
  EXPECT_TRUE(network_.GetWmpProxy().enabled);

  // Without Windows Media Player 9 the 6.4 player's settings are shown.
  SetWmp9Installed(false);
  network_.SetWmp6Proxy("w6.host", "83");
  EXPECT_EQ(network_.GetWmpProxy().Text(), "w6.host:83");
  EXPECT_TRUE(network_.GetWmpProxy().enabled);
  ASSERT_TRUE(network_.SetPlayersProxyEnabled(false));
  EXPECT_FALSE(network_.GetWmpProxy().enabled);
  EXPECT_EQ(Reread().ReadInteger(kWmp6Local, "ProxyEnabled"), 0);
}

class StationProxyTest : public PlayerNetworkTest {
 protected:
  void SetUp() override { network_.SetWmp9Proxy("user.proxy", "3128"); }
  Wmp9ProxySet Wmp9Now() const {
    Registry r(file_);
    Wmp9ProxySet set;
    PlayerNetwork(r).SaveWmp9Proxy(set);
    return set;
  }
  const Wmp9ProxySet user_{2, 2, 2, 3128, 3128, 3128, "user.proxy", "user.proxy", "user.proxy"};
  const Wmp9ProxySet station_a_{2, 2, 2, 8080, 8080, 8080, "10.0.0.5", "10.0.0.5", "10.0.0.5"};
};

// Two stations with proxies in a row save the user's settings once; a
// station without one brings them back.
TEST_F(StationProxyTest, SavedOnceRestoredByAStationWithout) {
  StationProxyOverrides overrides(registry_);
  const int engine = overrides.NewHolder();
  overrides.Apply(PlayerId::kWmp9, engine, "10.0.0.5");
  EXPECT_EQ(Wmp9Now(), station_a_);
  overrides.Apply(PlayerId::kWmp9, engine, "10.0.0.6:81");
  EXPECT_EQ(Wmp9Now().http_name, "10.0.0.6");
  EXPECT_EQ(Wmp9Now().http_port, 81);
  overrides.Apply(PlayerId::kWmp9, engine, "");
  EXPECT_EQ(Wmp9Now(), user_);
  EXPECT_FALSE(overrides.Overridden(PlayerId::kWmp9));
}

// Holders share one override: the last one out restores; meanwhile the
// latest remaining holder's proxy is in force.
TEST_F(StationProxyTest, LastHolderOutRestores) {
  StationProxyOverrides overrides(registry_);
  const int engine = overrides.NewHolder();
  const int tester = overrides.NewHolder();
  overrides.Apply(PlayerId::kWmp9, engine, "10.0.0.5");
  overrides.Apply(PlayerId::kWmp9, tester, "10.0.0.7:82");
  EXPECT_EQ(Wmp9Now().http_name, "10.0.0.7");
  overrides.Restore(PlayerId::kWmp9, tester);
  EXPECT_EQ(Wmp9Now(), station_a_);
  overrides.Restore(PlayerId::kWmp9, tester);  // twice: no effect
  EXPECT_EQ(Wmp9Now(), station_a_);
  overrides.Restore(PlayerId::kWmp9, engine);
  EXPECT_EQ(Wmp9Now(), user_);
}

// A proxy no player could use is not applied: the station plays with the
// user's own settings.
TEST_F(StationProxyTest, UnusableStationProxyIsNotApplied) {
  StationProxyOverrides overrides(registry_);
  const int engine = overrides.NewHolder();
  for (std::string_view bad : {"host:0", "a b:80", "x@y:80", ":8080", "host:99999"}) {
    overrides.Apply(PlayerId::kWmp9, engine, bad);
    EXPECT_EQ(Wmp9Now(), user_) << bad;
    EXPECT_FALSE(overrides.Overridden(PlayerId::kWmp9)) << bad;
  }
}

// A crash while a station proxy is in force: the next start puts the
// user's settings back, once.
TEST_F(StationProxyTest, CrashIsMendedAtTheNextStart) {
  {
    // Going away restores nothing, just as a crash would not.
    StationProxyOverrides crashed(registry_);
    const int engine = crashed.NewHolder();
    crashed.Apply(PlayerId::kWmp9, engine, "10.0.0.5");
    crashed.Apply(PlayerId::kReal, engine, "10.0.0.5");
    EXPECT_EQ(Wmp9Now(), station_a_);
    EXPECT_EQ(Real("HTTPProxyHost"), "10.0.0.5");
  }
  Registry next_start(file_);
  StationProxyOverrides overrides(next_start);
  overrides.RecoverAfterCrash();
  EXPECT_EQ(Wmp9Now(), user_);
  EXPECT_EQ(Real("HTTPProxyHost"), "");
  EXPECT_EQ(Real("HTTPProxySupport"), "");
  // Nothing is left to recover: a user change afterwards stays.
  PlayerNetwork(next_start).SetWmp9Proxy("changed", "1");
  StationProxyOverrides again(next_start);
  again.RecoverAfterCrash();
  EXPECT_EQ(Wmp9Now().http_name, "changed");
}

// What the user edits while a station proxy is in force becomes the user's
// setting; the station's proxy goes on until the station stops.
TEST_F(StationProxyTest, UserEditsDuringAnOverrideStayTheUsers) {
  StationProxyOverrides overrides(registry_);
  const int engine = overrides.NewHolder();
  overrides.Apply(PlayerId::kWmp9, engine, "10.0.0.5");
  const ShownProxy seen = overrides.WithUserSettings([](PlayerNetwork& n) { return n.GetWmpProxy(); });
  EXPECT_EQ(seen.Text(), "user.proxy:3128");
  EXPECT_EQ(Wmp9Now(), station_a_);
  overrides.WithUserSettings([](PlayerNetwork& n) { return n.SetWmp9Proxy("new.proxy", "9"); });
  EXPECT_EQ(Wmp9Now(), station_a_);
  overrides.Restore(PlayerId::kWmp9, engine);
  EXPECT_EQ(Wmp9Now().http_name, "new.proxy");
  EXPECT_EQ(Wmp9Now().http_port, 9);
}

}  // namespace
}  // namespace tazmel::test
