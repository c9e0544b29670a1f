#include "tarnixmap/server/designer_server.h"

#include <httplib.h>
#include <sys/random.h>

#include <array>
#include <atomic>
#include <chrono>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <semaphore>

#include "tarnixmap/fairness/figures.h"
#include "tarnixmap/output/json_input.h"
#include "tarnixmap/server/map_store.h"
#include "tarnixmap/server/page.h"
#include "tarnixmap/server/preview.h"
#include "tarnixmap/server/search_job.h"
#include "tarnixmap/values/map_values.h"
#include "tarnixrandommap/placement/symmetry.h"
#include "tarnixrandommap/run/generate.h"

namespace tarnix {

namespace {

constexpr const char* kJson = "application/json";
constexpr const char* kTokenHeader = "X-Tarnix-Token";

// How long a preview waits for its turn before the server says it is busy.
constexpr auto kPreviewWait = std::chrono::seconds(10);

void reply_json(httplib::Response& res, int status, const nlohmann::json& body) {
  res.status = status;
  res.set_content(body.dump(), kJson);
}

void refuse(httplib::Response& res, int status, const std::string& why) {
  reply_json(res, status, {{"error", why}});
}

// Compares in a time that does not tell how much of a guess was right.
bool same_token(const std::string& given, const std::string& token) {
  if (token.empty() || given.size() != token.size()) return false;
  unsigned char differ = 0;
  for (std::size_t i = 0; i < token.size(); ++i)
    differ |= static_cast<unsigned char>(given[i] ^ token[i]);
  return differ == 0;
}

// The values, presets, symmetry modes and figures the page offers.
nlohmann::json info_json() {
  nlohmann::json values = nlohmann::json::array();
  for (const NamedValue& v : kNamedValues) {
    values.push_back({{"key", v.key},
                      {"low", v.low},
                      {"high", v.high},
                      {"default", v.default_value},
                      {"help", v.help}});
  }
  nlohmann::json modes = nlohmann::json::array();
  for (const SymmetryMode& m : kSymmetryModes)
    modes.push_back({{"name", m.name}, {"players", m.copies}});
  nlohmann::json figures = nlohmann::json::array();
  for (const FigureInfo& f : kFigures)
    figures.push_back({{"name", f.name}, {"weight", f.weight}});
  const auto preset = [](const char* label, const char* line) {
    return nlohmann::json{{"label", label}, {"values", line}};
  };
  return {{"values", values},
          {"symmetry", modes},
          {"figures", figures},
          {"presets",
           {preset("Typical, 4 players", "Cave 64 64 4 500 5 300 40 200 200 20 10"),
            preset("Duel, 2 players", "Duel 48 48 2 500 3 150 20 100 100 20 10"),
            preset("Large, 4 players", "Vast 160 160 4 1000 12 1800 250 1200 1200 40 20")}}};
}

}  // namespace

struct DesignerServer::Impl {
  explicit Impl(ServerOptions o)
      : options(std::move(o)),
        store(options.max_maps, options.max_map_bytes),
        previews(
            static_cast<std::ptrdiff_t>(std::clamp<std::size_t>(options.previews_at_once, 1, 64))) {
  }

  ServerOptions options;
  httplib::Server http;
  MapStore store;
  SearchSlot search;
  std::counting_semaphore<64> previews;
  int port = 0;

  // What the Host and Origin headers of the page's own requests say.
  [[nodiscard]] std::string authority() const {
    const bool v6 = options.host.find(':') != std::string::npos;
    return (v6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(port);
  }

  httplib::Server::HandlerResponse guard(const httplib::Request& req,
                                         httplib::Response& res) const {
    if (req.get_header_value("Host") != authority()) {
      refuse(res, 403, "this server answers only to " + authority());
      return httplib::Server::HandlerResponse::Handled;
    }
    const bool api = req.path.starts_with("/api/");
    if (api && !same_token(req.get_header_value(kTokenHeader), options.token)) {
      refuse(res, 401, "a missing or wrong token: open the address the server printed");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.method == "POST") {
      const std::string type = req.get_header_value("Content-Type");
      if (type != kJson && !type.starts_with(std::string(kJson) + ";")) {
        refuse(res, 415, "a request that changes anything must be application/json");
        return httplib::Server::HandlerResponse::Handled;
      }
      if (req.get_header_value("Origin") != "http://" + authority()) {
        refuse(res, 403, "a request that changes anything must come from the page itself");
        return httplib::Server::HandlerResponse::Handled;
      }
    } else if (req.method != "GET") {
      refuse(res, 405, "only GET and POST are answered");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }

  // The request's body as JSON, read within the bounds of what the page
  // sends; null after a reply saying why not.
  static nlohmann::json body_of(const httplib::Request& req, httplib::Response& res) {
    static constexpr JsonLimits kBodyLimits{.depth = 4, .values = 100};
    nlohmann::json body;
    JsonError error;
    if (!read_json(req.body, kBodyLimits, &body, &error)) {
      refuse(res, 400, "the body is " + json_error_text(error, kBodyLimits));
      return nullptr;
    }
    if (!body.is_object()) {
      refuse(res, 400, "the body must be a JSON object");
      return nullptr;
    }
    return body;
  }

  void preview(const httplib::Request& req, httplib::Response& res) {
    const nlohmann::json body = body_of(req, res);
    if (body.is_null()) return;
    MapRequest request;
    std::vector<FieldProblem> problems;
    if (!read_map_request(body, &request, &problems)) {
      reply_json(res, 400, field_problems_json(problems));
      return;
    }
    if (!previews.try_acquire_for(kPreviewWait)) {
      refuse(res, 503, "the server is busy with other previews; try again");
      return;
    }
    std::optional<Preview> made;
    try {
      made = make_preview(request);
    } catch (const std::bad_alloc&) {
      made.reset();
    }
    previews.release();  // once, however the making went
    if (!made) {
      refuse(res, 503, no_memory_message(request.params));
      return;
    }
    nlohmann::json reply = preview_json(*made);
    reply["id"] = store.add(std::move(*made));
    reply_json(res, 200, reply);
  }

  // The file, values or a picture of a map the page made, by its id.
  void map_part(const httplib::Request& req, httplib::Response& res) {
    const std::string id = req.matches[1];
    const std::string part = req.matches[2];
    const std::shared_ptr<const Preview> map = store.find(id);
    if (!map) {
      refuse(res, 404, "no map " + id + ": it was never made here, or has been forgotten");
      return;
    }
    if (part == "file") {
      if (map->map_bytes.empty()) {
        refuse(res, 404, "map " + id + " was not made: " + map->failure);
        return;
      }
      res.set_content(map->map_bytes, "application/octet-stream");
    } else if (part == "params") {
      res.set_content(preview_json(*map)["params"].dump(2) + "\n", kJson);
    } else {
      const std::string& png = part == "picture" ? map->map_png : map->territory_png;
      if (png.empty()) {
        refuse(res, 404, "map " + id + " has no such picture");
        return;
      }
      res.set_content(png, "image/png");
    }
  }

  void start_search(const httplib::Request& req, httplib::Response& res) {
    const nlohmann::json body = body_of(req, res);
    if (body.is_null()) return;
    auto request = std::make_shared<SearchJobRequest>();
    std::vector<FieldProblem> problems;
    if (!read_search_request(body, request.get(), &problems)) {
      reply_json(res, 400, field_problems_json(problems));
      return;
    }
    if (!search.try_take()) {
      refuse(res, 409, "a search is running already; cancel it or wait for its end");
      return;
    }
    // The slot is given back before the stream's last chunk goes out, so
    // that whoever saw the search end can start the next at once; or, when
    // the stream never began, as the response is let go.
    auto given_back = std::make_shared<std::atomic<bool>>(false);
    const auto give_back = [this, given_back] {
      if (!given_back->exchange(true)) search.release();
    };
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, request, give_back](std::size_t /*offset*/, httplib::DataSink& sink) {
          try {
            run_search_job(*request, options.threads, search, [&](const std::string& event) {
              return sink.is_writable() && sink.write(event.data(), event.size());
            });
          } catch (const std::bad_alloc&) {
            const std::string event =
                sse_event("failed", {{"message", no_memory_message(request->map.params)}});
            sink.write(event.data(), event.size());
          }
          give_back();
          sink.done();
          return true;
        },
        [give_back](bool /*success*/) { give_back(); });
  }

  void routes() {
    http.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return guard(req, res); });
    http.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Security-Policy",
                     "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                     "img-src blob: data:; connect-src 'self'; frame-ancestors 'none'; "
                     "base-uri 'none'; form-action 'none'");
      res.set_content(std::string(designer_page()), "text/html; charset=utf-8");
    });
    http.Get("/api/info", [](const httplib::Request&, httplib::Response& res) {
      reply_json(res, 200, info_json());
    });
    http.Post("/api/preview",
              [this](const httplib::Request& req, httplib::Response& res) { preview(req, res); });
    http.Get(R"(/api/map/(m\d{1,18})/(file|params|picture|territory))",
             [this](const httplib::Request& req, httplib::Response& res) { map_part(req, res); });
    http.Post("/api/search", [this](const httplib::Request& req, httplib::Response& res) {
      start_search(req, res);
    });
    http.Post("/api/search/cancel", [this](const httplib::Request&, httplib::Response& res) {
      reply_json(res, 200, {{"cancelled", search.cancel()}});
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
      if (!res.body.empty()) return;
      const std::string why = res.status == 413   ? "the request is too large"
                              : res.status == 404 ? "nothing is here"
                                                  : "the request cannot be answered";
      refuse(res, res.status, why);
    });
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"},
                              {"Cache-Control", "no-store"}});
    http.set_payload_max_length(options.max_body);
    http.set_keep_alive_timeout(5);
  }
};

DesignerServer::DesignerServer(ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {
  impl_->routes();
}

DesignerServer::~DesignerServer() {
  stop();
}

bool DesignerServer::bind(std::string* err) {
  Impl& s = *impl_;
  const bool bound = s.options.port == 0 ? (s.port = s.http.bind_to_any_port(s.options.host)) > 0
                                         : s.http.bind_to_port(s.options.host, s.options.port);
  if (!bound) {
    *err = "cannot listen on " + s.options.host + " port " + std::to_string(s.options.port) + ": " +
           std::strerror(errno);
    return false;
  }
  if (s.options.port != 0) s.port = s.options.port;
  return true;
}

int DesignerServer::port() const {
  return impl_->port;
}

std::string DesignerServer::address() const {
  return "http://" + impl_->authority() + "/#token=" + impl_->options.token;
}

void DesignerServer::serve() {
  impl_->http.listen_after_bind();
}

void DesignerServer::stop() {
  impl_->search.close();
  impl_->http.stop();
}

std::string new_token() {
  std::array<unsigned char, 16> bytes{};
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};
    got += static_cast<std::size_t>(n);
  }
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string token;
  for (const unsigned char b : bytes) {
    token += kHex[b >> 4U];
    token += kHex[b & 15U];
  }
  return token;
}

}  // namespace tarnix
