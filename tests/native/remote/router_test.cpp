#include "remote/Router.h"

#include <gtest/gtest.h>

using namespace brv::remote;

namespace {

struct FakeActions : Actions {
    ActionResult Perform(Action action, const std::string& title, const std::string& command,
                         const std::string& caller) override {
        calls.push_back(std::string(ActionName(action)) + "|" + title + "|" + command + "|" + caller);
        return title == "missing" ? ActionResult::NoSuchServer : ActionResult::Done;
    }
    std::vector<std::string> calls;
};

constexpr const char* kToken = "s3cret-token-s3cret-token-s3cret-token";

struct RouterTest : ::testing::Test {
    GuardConfig config;
    FakeActions actions;
    int snapshots = 0;
    RouterTest() {
        config.port = 8327;
        config.tokenHash = Sha256(kToken);
        config.control = true;
        config.allowHosts = {"brivan.example"};
    }
    Reply Send(const std::string& method, const std::string& target, bool token = true,
               uint32_t peer = kLoopback, std::string body = "") {
        Request r;
        r.method = method;
        r.target = target;
        r.peer = peer;
        r.host = "127.0.0.1:8327";
        if (token) {
            r.authorization = std::string("Bearer ") + kToken;
        }
        r.body = std::move(body);
        return Send(r);
    }
    Reply Send(const Request& r) {
        return Route(
            r, config,
            [this] {
                ++snapshots;
                Snapshot s;
                ServerFacts f;
                f.title = "EU/1 арена";
                s.servers.push_back(f);
                return s;
            },
            &actions, "<html>page</html>");
    }
};

} // namespace

TEST_F(RouterTest, PageWithoutTokenMetricsFromLoopbackOnly) {
    EXPECT_EQ(Send("GET", "/", false).body, "<html>page</html>");
    EXPECT_EQ(Send("GET", "/metrics", false).status, 200);
    EXPECT_EQ(Send("GET", "/metrics?x=1", false, 0x7F000002).status, 401);
    EXPECT_EQ(Send("GET", "/metrics", true, 0xC0A80105).status, 200);
    config.tokenHash.reset();
    EXPECT_EQ(Send("GET", "/metrics", true, 0xC0A80105).status, 403);
    EXPECT_EQ(Send("GET", "/metrics", false).status, 200);
    EXPECT_EQ(Send("GET", "/api/v1/servers", true).status, 403); // no hash: the API is closed
}

TEST_F(RouterTest, ApiNeedsTheRightToken) {
    EXPECT_EQ(Send("GET", "/api/v1/servers", false).status, 401);
    Request r;
    r.method = "GET";
    r.target = "/api/v1/servers";
    r.host = "127.0.0.1:8327";
    r.peer = kLoopback;
    for (const char* wrong :
         {"Bearer nope", "Basic czNjcmV0", "Bearer", "bearer  s3cret-token-s3cret-token-s3cret-tokeN"}) {
        r.authorization = wrong;
        EXPECT_EQ(Send(r).status, 401) << wrong;
    }
    r.authorization = std::string("bearer ") + kToken;
    EXPECT_EQ(Send(r).status, 200);
    EXPECT_NE(Send(r).body.find("\"servers\""), std::string::npos);
}

TEST_F(RouterTest, ForeignHostOrOriginRefusedBeforeAnything) {
    Request r;
    r.method = "GET";
    r.target = "/";
    r.peer = kLoopback;
    for (const char* host :
         {"evil.example", "evil.example:8327", "127.0.0.2:8327", "127.0.0.1:80", "127.0.0.1:x"}) {
        r.host = host;
        EXPECT_EQ(Send(r).status, 403) << host;
    }
    r.host.reset();
    EXPECT_EQ(Send(r).status, 403);
    for (const char* host : {"127.0.0.1", "127.0.0.1:8327", "Brivan.Example", "brivan.example:443"}) {
        r.host = host;
        EXPECT_EQ(Send(r).status, 200) << host;
    }
    r.host = "127.0.0.1:8327";
    for (const char* origin :
         {"http://evil.example", "http://127.0.0.1:8328", "null", "https://127.0.0.1:8327"}) {
        r.origin = origin;
        EXPECT_EQ(Send(r).status, 403) << origin;
    }
    for (const char* origin : {"http://127.0.0.1:8327", "https://brivan.example"}) {
        r.origin = origin;
        EXPECT_EQ(Send(r).status, 200) << origin;
    }
    config.listenIp = 0; // every address: the page's own address is its origin
    r.host = "192.168.1.5:8327";
    r.origin = "http://192.168.1.5:8327";
    EXPECT_EQ(Send(r).status, 200);
    r.origin = "http://192.168.1.6:8327";
    EXPECT_EQ(Send(r).status, 403);
    EXPECT_EQ(snapshots, 0);
}

TEST_F(RouterTest, OneServerByItsPercentEncodedTitle) {
    const Reply one = Send("GET", "/api/v1/servers/EU%2F1%20%D0%B0%D1%80%D0%B5%D0%BD%D0%B0");
    EXPECT_EQ(one.status, 200);
    EXPECT_NE(one.body.find("\"title\":\"EU/1 арена\""), std::string::npos);
    EXPECT_EQ(Send("GET", "/api/v1/servers/other").status, 404);
    EXPECT_EQ(Send("GET", "/api/v1/servers/%zz").status, 400);
    EXPECT_EQ(Send("GET", "/api/v1/servers/a%0Ab").status, 400);
    EXPECT_EQ(Send("GET", "/api/v1/serversX").status, 404);
    EXPECT_EQ(Send("DELETE", "/api/v1/servers").status, 405);
    EXPECT_EQ(Send("GET", "/nothing").status, 404);
}

TEST_F(RouterTest, ControlCallsTheActionsWithTheCaller) {
    EXPECT_EQ(Send("POST", "/api/v1/servers/EU%2F1/restart", true, 0xC0A80105).status, 200);
    EXPECT_EQ(Send("POST", "/api/v1/servers/A/command", true, kLoopback, R"({"command":"say hi"})").status,
              200);
    EXPECT_EQ(Send("POST", "/api/v1/servers/missing/stop").status, 404);
    ASSERT_EQ(actions.calls.size(), 3u);
    EXPECT_EQ(actions.calls[0], "restart|EU/1||192.168.1.5");
    EXPECT_EQ(actions.calls[1], "command|A|say hi|127.0.0.1");
    for (const char* body :
         {"", "{}", R"({"command":""})", R"({"command":"a\nb"})", R"({"command":5})", "[1]"}) {
        EXPECT_EQ(Send("POST", "/api/v1/servers/A/command", true, kLoopback, body).status, 400) << body;
    }
    EXPECT_EQ(Send("GET", "/api/v1/servers/A/restart").status, 405);
    EXPECT_EQ(Send("POST", "/api/v1/servers/A/restart", false).status, 401);
    config.control = false;
    EXPECT_EQ(Send("POST", "/api/v1/servers/A/start").status, 403);
    EXPECT_EQ(actions.calls.size(), 3u);
}
