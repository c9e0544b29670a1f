#include "tarnixmap/server/designer_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/server/map_request.h"
#include "tarnixmap/server/map_store.h"
#include "tarnixmap/server/search_job.h"
#include "tarnixrandommap/mapfile/file_system.h"
#include "tarnixrandommap/run/console.h"

namespace tarnix {
namespace {

constexpr const char* kToken = "0123456789abcdef0123456789abcdef";

// A server on a free port of this machine, serving on its own thread for
// the length of a test.
class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up must not end the tests
    ServerOptions options;
    options.token = kToken;
    options.threads = 2;
    options.max_body = 4096;
    server_ = std::make_unique<DesignerServer>(options);
    std::string err;
    ASSERT_TRUE(server_->bind(&err)) << err;
    serving_ = std::thread([this] { server_->serve(); });
    authority_ = "127.0.0.1:" + std::to_string(server_->port());
  }
  void TearDown() override {
    server_->stop();
    serving_.join();
  }

  // A client that sends what the page sends, less what `drop` names.
  [[nodiscard]] httplib::Client client() const {
    httplib::Client c("127.0.0.1", server_->port());
    c.set_read_timeout(60);
    return c;
  }
  [[nodiscard]] httplib::Headers page_headers() const {
    return {{"X-Tarnix-Token", kToken}, {"Origin", "http://" + authority_}};
  }
  httplib::Result post(const std::string& path, const nlohmann::json& body) {
    httplib::Client c = client();
    return c.Post(path, page_headers(), body.dump(), "application/json");
  }
  // A request refused with 400 and one problem, `message` beside `field`.
  void expect_one_problem(const std::string& path, const nlohmann::json& body, const char* field,
                          const char* message) {
    httplib::Result res = post(path, body);
    ASSERT_TRUE(res) << body;
    EXPECT_EQ(res->status, 400) << body;
    const nlohmann::json reply = nlohmann::json::parse(res->body);
    ASSERT_EQ(reply["problems"].size(), 1U) << reply;
    EXPECT_EQ(reply["problems"][0]["field"], field) << body;
    EXPECT_EQ(reply["problems"][0]["message"], message) << body;
  }
  // A search whose stream is handed, piece by piece, to `receive`, as the
  // page reads it; false when the stream did not come to its end.
  bool stream_search(const nlohmann::json& body,
                     const httplib::ContentReceiverWithProgress& receive) {
    httplib::Client c = client();
    httplib::Request req;
    req.method = "POST";
    req.path = "/api/search";
    req.headers = page_headers();
    req.body = body.dump();
    req.set_header("Content-Type", "application/json");
    req.content_receiver = receive;
    return static_cast<bool>(c.send(req));
  }
  httplib::Result get(const std::string& path) {
    httplib::Client c = client();
    return c.Get(path, page_headers());
  }

  std::unique_ptr<DesignerServer> server_;
  std::thread serving_;
  std::string authority_;
};

const nlohmann::json kCave = {{"values", {{"name", "Cave"}}}, {"seed", 5}};

TEST_F(ServerTest, RefusesWhatThePageWouldNotSend) {
  struct Case {
    const char* name;
    const char* method;
    const char* path;
    httplib::Headers headers;  // besides the page's own, replacing them
    std::string body;
    const char* type;
    int status;
  };
  const std::string origin = "http://" + authority_;
  const std::vector<Case> cases = {
      {"the page", "GET", "/", {}, "", "", 200},
      {"values", "GET", "/api/info", {}, "", "", 200},
      {"no token", "GET", "/api/info", {{"X-Tarnix-Token", ""}}, "", "", 401},
      {"wrong token",
       "GET",
       "/api/info",
       {{"X-Tarnix-Token", "0123456789abcdef0123456789abcdee"}},
       "",
       "",
       401},
      {"token's start", "GET", "/api/info", {{"X-Tarnix-Token", "0123"}}, "", "", 401},
      {"another host",
       "GET",
       "/api/info",
       {{"Host", "evil.example:" + std::to_string(server_->port())}},
       "",
       "",
       403},
      {"another port", "GET", "/", {{"Host", "127.0.0.1:1"}}, "", "", 403},
      {"a form", "POST", "/api/preview", {}, kCave.dump(), "text/plain", 415},
      {"another origin",
       "POST",
       "/api/preview",
       {{"Origin", "http://evil.example"}},
       kCave.dump(),
       "application/json",
       403},
      {"no origin",
       "POST",
       "/api/preview",
       {{"Origin", ""}},
       kCave.dump(),
       "application/json",
       403},
      {"too large",
       "POST",
       "/api/preview",
       {},
       std::string(5000, ' ') + kCave.dump(),
       "application/json",
       413},
      {"not JSON", "POST", "/api/preview", {}, "{", "application/json", 400},
      {"nested deep",
       "POST",
       "/api/preview",
       {},
       std::string(100, '[') + std::string(100, ']'),
       "application/json",
       400},
      {"a key twice",
       "POST",
       "/api/preview",
       {},
       R"({"seed": 1, "seed": 2})",
       "application/json",
       400},
      {"not an object", "POST", "/api/preview", {}, "[]", "application/json", 400},
      {"unknown map", "GET", "/api/map/m999/file", {}, "", "", 404},
      {"not an id", "GET", "/api/map/..%2fetc/file", {}, "", "", 404},
      {"delete", "DELETE", "/api/search", {}, "", "", 405},
  };
  for (const Case& c : cases) {
    httplib::Headers headers = page_headers();
    for (const auto& [key, value] : c.headers) {
      headers.erase(key);
      if (!value.empty()) headers.emplace(key, value);
    }
    httplib::Client http = client();
    httplib::Result res = std::string(c.method) == "GET" ? http.Get(c.path, headers)
                          : std::string(c.method) == "POST"
                              ? http.Post(c.path, headers, c.body, c.type)
                              : http.Delete(c.path, headers);
    ASSERT_TRUE(res) << "case " << c.name;
    EXPECT_EQ(res->status, c.status) << "case " << c.name << ": " << res->body;
  }
}

TEST_F(ServerTest, ValuesOutOfRangeGetTheCommandLinesMessageBesideTheirField) {
  struct Case {
    nlohmann::json body;
    const char* field;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{{"values", {{"width", 3}}}},
       "width",
       R"(--width must be a whole number from 7 to 2147483647, got "3")"},
      {{{"values", {{"players", "2.5"}}}},
       "players",
       R"(--players must be a whole number from 2 to 4, got "2.5")"},
      {{{"values", {{"name", "a/b"}}}},
       "name",
       R"(<name> must be 1 to 95 bytes with no "/", "\" or control characters, got "a/b" (3 bytes))"},
      {{{"seed", -1}}, "seed", R"(--seed must be a whole number from 0 to 4294967295, got "-1")"},
      {{{"values", {{"players", 2}}}, {"symmetry", "quad"}},
       "symmetry",
       "--symmetry quad is for 4 players, not 2; for 2 players on this map: mirror-x, mirror-y, "
       "rot2"},
      {{{"weights", "territory=x"}},
       "weights",
       "--weight must be NAME=W, NAME one of gold_first, gems_first, portals_first, territory, "
       "gold_within, portal_time, rival_time, second_rival_time, border_gap, gold_near, "
       "gems_near, hazards_near, nearest_portal, nearest_heart and W a decimal number from 0 to "
       "100, got \"territory=x\""},
      {{{"values", {{"width", 5000}, {"height", 5000}}}},
       "width",
       "the page makes maps of at most 4194304 squares (2048 x 2048); tarnixmap generate makes "
       "any size"},
  };
  for (const Case& c : cases)
    expect_one_problem("/api/preview", c.body, c.field, c.message);
}

TEST_F(ServerTest, ASearchsLimitsAreReadAsTheCommandLineReadsThem) {
  struct Case {
    nlohmann::json body;
    const char* field;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{{"seeds", 0}}, "seeds", R"(--seeds must be a whole number from 1 to 100000000, got "0")"},
      {{{"top", 51}}, "top", R"(--top must be a whole number from 1 to 50, got "51")"},
      {{{"min_border_gap", -1}},
       "min_border_gap",
       R"(--min-border-gap must be a whole number from 0 to 1000000, got "-1")"},
      {{{"seed", 4294967295U}, {"seeds", 2}},
       "seeds",
       "--seeds 2 from seed 4294967295 would go past seed 4294967295"},
  };
  for (const Case& c : cases)
    expect_one_problem("/api/search", c.body, c.field, c.message);
}

TEST_F(ServerTest, APreviewsFileIsWhatGenerateWrites) {
  httplib::Result res = post("/api/preview", kCave);
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200) << res->body;
  const nlohmann::json reply = nlohmann::json::parse(res->body);
  EXPECT_EQ(reply["command"],
            "tarnixmap generate --seed 5 Cave 64 64 4 500 5 300 40 200 200 20 10");
  EXPECT_EQ(reply["messages"], "Actual portals placed: 5\n");
  EXPECT_TRUE(reply["figures"]["score"].is_number());

  GenerateRequest request;
  request.seed = 5;
  request.values = {"Cave", "64", "64", "4", "500", "5", "300", "40", "200", "200", "20", "10"};
  MemoryFileSystem files;
  StringSink sink;
  Console console(sink);
  ASSERT_EQ(generate_command(request, 0, console, console, files), kExitOk);
  const std::string id = reply["id"];
  httplib::Result file = get("/api/map/" + id + "/file");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->body, files.files.at("Cave.map"));
  for (const char* part : {"picture", "territory"}) {
    httplib::Result png = get("/api/map/" + id + "/" + part);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->get_header_value("Content-Type"), "image/png") << part;
    EXPECT_EQ(png->body.substr(1, 3), "PNG") << part;
  }
  const nlohmann::json params = nlohmann::json::parse(get("/api/map/" + id + "/params")->body);
  EXPECT_EQ(params["seed"], 5);
  EXPECT_EQ(params["min_portal_dist"], 10);
}

// The events of a search's stream, by name.
struct Events {
  std::vector<nlohmann::json> progress;
  std::optional<nlohmann::json> done;
  std::string rest;  // an event not yet complete
};

void take_events(Events& events, const char* data, std::size_t length) {
  events.rest.append(data, length);
  for (std::size_t end; (end = events.rest.find("\n\n")) != std::string::npos;) {
    const std::string block = events.rest.substr(0, end);
    events.rest.erase(0, end + 2);
    const std::size_t data_at = block.find("\ndata: ");
    const nlohmann::json value = nlohmann::json::parse(block.substr(data_at + 7));
    if (block.starts_with("event: progress")) events.progress.push_back(value);
    if (block.starts_with("event: done")) events.done = value;
  }
}

TEST_F(ServerTest, OneSearchAtATimeAndACancelStopsIt) {
  nlohmann::json body = kCave;
  body["seed"] = 1;
  body["seeds"] = 50000000;
  body["top"] = 3;
  Events events;
  std::atomic<bool> started{false};  // its first event has come
  std::thread searching([&] {
    EXPECT_TRUE(stream_search(
        body, [&](const char* data, std::size_t length, std::uint64_t, std::uint64_t) {
          take_events(events, data, length);
          started = true;
          return true;
        }));  // the whole stream, to its end
  });
  for (int i = 0; i < 3000 && !started; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(started);
  // While it runs, a second search is refused (one of a few seeds, so
  // that a server that took it would not hold the test up); cancelled, the
  // first says how far it got.
  nlohmann::json small = body;
  small["seeds"] = 10;
  const httplib::Result second = post("/api/search", small);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->status, 409);
  const httplib::Result cancel = post("/api/search/cancel", nlohmann::json::object());
  ASSERT_TRUE(cancel);
  EXPECT_EQ(nlohmann::json::parse(cancel->body)["cancelled"], true);
  searching.join();
  ASSERT_TRUE(events.done.has_value());
  EXPECT_EQ((*events.done)["stopped"], true);
  EXPECT_LT((*events.done)["searched"].get<std::uint64_t>(), 50000000U);
  ASSERT_EQ((*events.done)["best"].size(), 3U);
  // Listed at once: no map made again for a picture.
  EXPECT_TRUE((*events.done)["best"][0]["thumbnail"].is_null());
  // Nothing runs now: a cancel finds no search.
  EXPECT_EQ(nlohmann::json::parse(post("/api/search/cancel", {})->body)["cancelled"], false);
}

TEST_F(ServerTest, ASearchRunsToItsEndAndListsTheBest) {
  nlohmann::json body = kCave;
  body["seed"] = 1;
  body["seeds"] = 300;
  body["top"] = 4;
  httplib::Result res = post("/api/search", body);
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "text/event-stream");
  Events events;
  take_events(events, res->body.data(), res->body.size());
  ASSERT_TRUE(events.done.has_value());
  ASSERT_FALSE(events.progress.empty());
  EXPECT_EQ(events.progress.back()["done"], 300);
  const nlohmann::json& done = *events.done;
  EXPECT_EQ(done["searched"], 300);
  EXPECT_EQ(done["stopped"], false);
  ASSERT_EQ(done["best"].size(), 4U);
  // Best first, each with a picture.
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_LE(done["best"][i - 1]["score"], done["best"][i]["score"]);
  EXPECT_TRUE(done["best"][0]["thumbnail"].get<std::string>().starts_with(
      "data:image/png;base64,iVBORw0KGgo"));
  EXPECT_TRUE(done["histogram"].get<std::string>().starts_with("<svg"));
}

TEST_F(ServerTest, AClientThatGoesAwayStopsItsSearch) {
  nlohmann::json body = kCave;
  body["seed"] = 1;
  body["seeds"] = 50000000;
  // The first event read, the client hangs up.
  (void)stream_search(body,
                      [](const char*, std::size_t, std::uint64_t, std::uint64_t) { return false; });
  // Its search ends as the next event finds no one: a new one can start.
  body["seeds"] = 10;
  int again = 0;
  for (int i = 0; i < 1000 && again != 200; ++i) {
    const httplib::Result res = post("/api/search", body);
    again = res ? res->status : 0;
    if (again != 200) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(again, 200);
}

TEST(MapStore, ForgetsTheMapsUsedLongestAgo) {
  MapStore store(2, 1U << 30U);
  const std::string a = store.add(Preview{});
  const std::string b = store.add(Preview{});
  ASSERT_NE(store.find(a), nullptr);  // a is now the latest used
  const std::string c = store.add(Preview{});
  EXPECT_NE(store.find(a), nullptr);
  EXPECT_EQ(store.find(b), nullptr);
  EXPECT_NE(store.find(c), nullptr);
  EXPECT_EQ(store.size(), 2U);

  MapStore small(10, 10000);  // two maps of 6000 bytes do not fit, nor does one with its figures
  Preview big;
  big.map_bytes.assign(6000, 'x');
  const std::string first = small.add(big);
  const std::string second = small.add(big);
  EXPECT_EQ(small.find(first), nullptr);
  EXPECT_NE(small.find(second), nullptr);  // the newest stays, whatever its size
}

TEST(Base64, PadsTheLastGroup) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", ""},
      {"M", "TQ=="},
      {"Ma", "TWE="},
      {"Man", "TWFu"},
      {std::string("\xff\xfe\x00\x01", 4), "//4AAQ=="}};
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(base64(bytes), text) << text;
}

TEST(Token, HasAHundredAndTwentyEightBitsThatDiffer) {
  const std::string a = new_token();
  const std::string b = new_token();
  EXPECT_EQ(a.size(), 32U);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace tarnix
