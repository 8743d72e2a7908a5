#include "playback/mpv/mpv_preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>

#include "mpv/control_probe.h"
#include "mpv/test_media.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "support/loop_dispatcher.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel::test {
namespace {

constexpr std::string_view kWmp9Http =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences\\ProxySettings\\HTTP";
constexpr std::string_view kWmp6Local = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\Local";
const std::string kRealUser = "HKEY_CURRENT_USER\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";

class PlayerProxyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.WriteInteger(kInternetSettingsKey, "ProxyEnable", 1);
    registry_.WriteString(kInternetSettingsKey, "ProxyServer", "browser.proxy:3128");
  }
  void WriteReal(const std::string& name, const std::string& value) {
    registry_.WriteString(kRealUser + name, Registry::kDefaultValue, value);
  }

  TempDir temp_;
  ScopedEnv no_env_proxy_{"http_proxy", std::nullopt};
  ScopedEnv no_env_proxy_upper_{"HTTP_PROXY", std::nullopt};
  Registry registry_{temp_ / "registry.ini"};
};

// Each player's own preference decides: its given proxy when switched on,
// the browser's when it takes the browser's or detects one, else none.
TEST_F(PlayerProxyTest, EachPlayerFollowsItsOwnPreference) {
  struct Case {
    const char* what;
    std::function<void()> write;
    PlayerPreferences player;
    PlayerProxy proxy;
  } cases[] = {
      {"nothing set", [] {}, PlayerPreferences::kWmp9, {}},
      {"WMP9 given",
       [&] {
         registry_.WriteInteger(kWmp9Http, "ProxyStyle", 2);
         registry_.WriteString(kWmp9Http, "ProxyName", "wmp9.proxy");
         registry_.WriteInteger(kWmp9Http, "ProxyPort", 8081);
       },
       PlayerPreferences::kWmp9,
       {"wmp9.proxy", 8081}},
      {"WMP9 browser",
       [&] { registry_.WriteInteger(kWmp9Http, "ProxyStyle", 1); },
       PlayerPreferences::kWmp9,
       {"browser.proxy", 3128}},
      {"WMP9 none", [&] { registry_.WriteInteger(kWmp9Http, "ProxyStyle", 0); }, PlayerPreferences::kWmp9, {}},
      {"WMP6 given",
       [&] {
         registry_.WriteInteger(kWmp6Local, "EnableAutoProxy", 0);
         registry_.WriteInteger(kWmp6Local, "ProxyEnabled", 1);
         registry_.WriteString(kWmp6Local, "ProxyHost", "wmp6.proxy");
         registry_.WriteInteger(kWmp6Local, "ProxyPort", 8082);
       },
       PlayerPreferences::kWmp6,
       {"wmp6.proxy", 8082}},
      {"WMP6 automatic",
       [&] { registry_.WriteInteger(kWmp6Local, "EnableAutoProxy", 1); },
       PlayerPreferences::kWmp6,
       {"browser.proxy", 3128}},
      {"WMP6 off", [&] { registry_.WriteInteger(kWmp6Local, "ProxyEnabled", 0); }, PlayerPreferences::kWmp6, {}},
      {"Real given",
       [&] {
         WriteReal("HTTPProxySupport", "1");
         WriteReal("HTTPProxyHost", "real.proxy");
         WriteReal("HTTPProxyPort", "8083");
       },
       PlayerPreferences::kRealPlayer,
       {"real.proxy", 8083}},
      {"Real port not a number",
       [&] { WriteReal("HTTPProxyPort", "x"); },
       PlayerPreferences::kRealPlayer,
       {"real.proxy", 80}},
      {"Real browser",
       [&] {
         WriteReal("HTTPProxySupport", "0");
         WriteReal("UseSystemProxySettings", "1");
       },
       PlayerPreferences::kRealPlayer,
       {"browser.proxy", 3128}},
      {"Real none", [&] { WriteReal("UseSystemProxySettings", "0"); }, PlayerPreferences::kRealPlayer, {}},
  };
  for (const Case& c : cases) {
    c.write();
    const PlayerProxy proxy = ReadPlayerHttpProxy(registry_, c.player);
    EXPECT_EQ(proxy.host, c.proxy.host) << c.what;
    EXPECT_EQ(proxy.port, c.proxy.port) << c.what;
  }
}

// A control fetches its playlist document and plays the stream through the
// proxy its preferences name, read when the clip starts.
TEST_F(PlayerProxyTest, ControlPlaysThroughItsProxy) {
  LoopDispatcher dispatcher;
  TestHttpServer proxy;
  proxy.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  proxy.Serve("/list.asx", {200, "video/x-ms-asf", "<asx><entry><ref href=\"tone.mp3\"/></entry></asx>", {}});
  registry_.WriteInteger(kWmp9Http, "ProxyStyle", 2);
  registry_.WriteString(kWmp9Http, "ProxyName", "127.0.0.1");
  registry_.WriteInteger(kWmp9Http, "ProxyPort", proxy.Port());

  Wmp9Probe probe(MpvWmp9::Create(dispatcher, TestOptions(), &registry_));
  probe.Start("http://radio.invalid/list.asx");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return probe.Has("play:8") || probe.Has("error"); }, 20s)) << probe.LogText();
  EXPECT_TRUE(probe.Has("play:8")) << probe.LogText();
  // Both requests went to the proxy in absolute form (the media engine
  // spells the port out).
  const std::vector<std::string> targets = proxy.RequestTargets();
  EXPECT_EQ(targets, (std::vector<std::string>{"http://radio.invalid/list.asx", "http://radio.invalid:80/tone.mp3"}));
}

// No proxy in the player's preferences means a direct connection, even when
// the environment names a proxy that the media engine would otherwise take.
TEST_F(PlayerProxyTest, NoProxyIsDirectDespiteTheEnvironment) {
  LoopDispatcher dispatcher;
  TestHttpServer direct;
  direct.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  TestHttpServer env_proxy;
  env_proxy.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  const ScopedEnv env{"http_proxy", "http://127.0.0.1:" + std::to_string(env_proxy.Port()) + "/"};
  registry_.WriteInteger(kWmp9Http, "ProxyStyle", 0);

  Wmp9Probe probe(MpvWmp9::Create(dispatcher, TestOptions(), &registry_));
  probe.Start("http://127.0.0.1:" + std::to_string(direct.Port()) + "/tone.mp3");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return probe.Has("play:8") || probe.Has("error"); }, 20s)) << probe.LogText();
  EXPECT_TRUE(probe.Has("play:8")) << probe.LogText();
  EXPECT_EQ(direct.RequestTargets(), (std::vector<std::string>{"/tone.mp3"}));
  EXPECT_TRUE(env_proxy.RequestTargets().empty());
}

// The buffer time of the player's preferences: with one, a stream starts
// playing only once that much has arrived; without, as soon as data decodes.
// 16 000 bytes are one second of the 128 kbit/s stream.
TEST_F(PlayerProxyTest, BufferTimeDelaysTheStart) {
  constexpr std::string_view kPrefs = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences";
  struct Case {
    int use_default;
    bool waits;  // for more than 4 s of sound (the custom time is 5 s)
  } cases[] = {{1, false}, {0, true}};
  for (const Case& c : cases) {
    std::atomic<std::size_t> sent{0};
    TestHttpServer server;
    server.ServeHandler("/live", [&sent](TestHttpConnection& connection) {
      if (!connection.WriteHead(200, {{"Content-Type", "audio/mpeg"}})) return;
      const std::string& audio = LongTone();
      for (std::size_t offset = 0; !connection.Stopping(); offset = (offset + 4096) % audio.size()) {
        if (!connection.Write(
                std::string_view(audio).substr(offset, std::min<std::size_t>(4096, audio.size() - offset))))
          return;
        sent += 4096;
        connection.SleepFor(200ms);
      }
    });
    registry_.WriteInteger(kPrefs, "CustomBufferTime", 5000);
    registry_.WriteInteger(kPrefs, "UseDefaultBufferTime", c.use_default);
    LoopDispatcher dispatcher;
    Wmp9Probe probe(MpvWmp9::Create(dispatcher, TestOptions(), &registry_));
    probe.Start(server.Url("/live"));
    ASSERT_TRUE(dispatcher.RunUntil([&] { return probe.Has("play:3") || probe.Has("error"); }, 30s)) << probe.LogText();
    EXPECT_EQ(sent.load() > 4 * 16000, c.waits) << sent.load() << " bytes: " << probe.LogText();
    probe.Stop();
  }
}

}  // namespace
}  // namespace tazmel::test
