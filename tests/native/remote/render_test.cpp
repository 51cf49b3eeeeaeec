#include "remote/MetricsText.h"
#include "remote/ServersJson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>

using namespace brv::remote;

namespace {

Snapshot TwoServers() {
    Snapshot s;
    s.brivan = {"1.2.3", 40, 2, 5, 1};
    ServerFacts a;
    a.title = "EU \"Arena\" \\ 1\nx";
    a.state = "работает";
    a.running = a.queryUp = true;
    a.pid = 4242;
    a.players = 7;
    a.maxPlayers = 32;
    a.bots = 2;
    a.map = "de_dust2";
    a.game = "cstrike";
    a.restartsByReason = {3, 1, 0, 2, 1};
    a.uptimeSeconds = 3600;
    a.startTimeSeconds = 1700000000;
    a.queryDurationSeconds = 0.004;
    a.lastExitCode = 3221225477u;
    ServerFacts b;
    b.title = "B";
    b.state = "остановлен";
    s.servers = {a, b};
    return s;
}

} // namespace

TEST(MetricsText, EveryFamilyOnceWithItsSamples) {
    const std::string text = MetricsText(TwoServers());
    std::map<std::string, int> help, type;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        if (line.rfind("# HELP ", 0) == 0) {
            ++help[line.substr(7, line.find(' ', 7) - 7)];
        } else if (line.rfind("# TYPE ", 0) == 0) {
            ++type[line.substr(7, line.find(' ', 7) - 7)];
        } else {
            // name{labels} value: no timestamp after the value
            const size_t close = line.rfind('}');
            const std::string tail = line.substr(close == std::string::npos ? line.find(' ') : close + 1);
            EXPECT_EQ(tail.find(' ', 1), std::string::npos) << line;
        }
    }
    for (const char* family :
         {"brivan_server_process_running", "brivan_server_query_up", "brivan_server_players",
          "brivan_server_max_players", "brivan_server_bots", "brivan_server_info",
          "brivan_server_restarts_total", "brivan_server_start_time_seconds",
          "brivan_server_query_duration_seconds", "brivan_server_restart_delay_seconds",
          "brivan_server_last_exit_code", "brivan_build_info", "brivan_servers", "brivan_journal_lines_total",
          "brivan_journal_dropped_total", "brivan_notices_total"}) {
        EXPECT_EQ(help[family], 1) << family;
        EXPECT_EQ(type[family], 1) << family;
    }
    EXPECT_EQ(help.size(), 16u);
    const std::string a = R"(server="EU \"Arena\" \\ 1\nx")";
    EXPECT_NE(text.find("brivan_server_players{" + a + "} 7\n"), std::string::npos);
    EXPECT_NE(text.find("brivan_server_info{" + a + R"(,map="de_dust2",game="cstrike"} 1)"),
              std::string::npos);
    EXPECT_NE(text.find("brivan_server_restarts_total{" + a + R"(,reason="error_window"} 0)"),
              std::string::npos);
    EXPECT_NE(text.find("brivan_server_restarts_total{" + a + R"(,reason="scheduled"} 2)"),
              std::string::npos);
    EXPECT_NE(text.find("brivan_server_last_exit_code{" + a + "} 3221225477\n"), std::string::npos);
    EXPECT_NE(text.find("brivan_server_query_duration_seconds{" + a + "} 0.004\n"), std::string::npos);
    EXPECT_NE(text.find("brivan_server_process_running{server=\"B\"} 0\n"), std::string::npos);
    // A fact the server has not given is left out, never shown as 0.
    EXPECT_EQ(text.find("brivan_server_players{server=\"B\"}"), std::string::npos);
    EXPECT_NE(text.find("brivan_build_info{version=\"1.2.3\"} 1\n"), std::string::npos);
    EXPECT_NE(text.find("brivan_servers 2\n"), std::string::npos);
    EXPECT_NE(text.find("brivan_notices_total{result=\"failed\"} 1\n"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST(ServersJson, ListAndOneServer) {
    const Snapshot s = TwoServers();
    const auto list = nlohmann::json::parse(ServersJson(s, true));
    ASSERT_EQ(list["servers"].size(), 2u);
    EXPECT_TRUE(list["control"].get<bool>());
    const auto& a = list["servers"][0];
    EXPECT_EQ(a["title"], s.servers[0].title);
    EXPECT_EQ(a["state"], "работает");
    EXPECT_EQ(a["pid"], 4242);
    EXPECT_EQ(a["players"], 7);
    EXPECT_EQ(a["maxPlayers"], 32);
    EXPECT_EQ(a["restarts"], 7);
    EXPECT_EQ(a["restartsByReason"]["crash"], 3);
    EXPECT_EQ(a["uptimeSeconds"], 3600);
    EXPECT_TRUE(list["servers"][1]["players"].is_null());
    EXPECT_TRUE(list["servers"][1]["lastExitCode"].is_null());
    // Bytes that are not UTF-8 never make the answer fail.
    ServerFacts bad;
    bad.title = "\xff\xfe";
    EXPECT_EQ(nlohmann::json::parse(ServerJson(bad))["title"], "\xEF\xBF\xBD\xEF\xBF\xBD");
}
